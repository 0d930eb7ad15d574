// Lexical rules: vectors, texts, comments, placement keys, line endings and
// the notes' line numbers.
#include <cmath>
#include <sstream>

#include "files/line_counting_buffer.h"
#include "files/reader_primitives.h"
#include "reader_fixture.h"

using PrimitivesTest = ReaderTest;

TEST_F(PrimitivesTest, PolarAndCartesianVectors) {
    std::istringstream polar("p 10 90"), cartesian("10 90");
    Point p, q;
    ASSERT_TRUE(readVector(polar, p));
    EXPECT_NEAR(p.x, 0.0f, 1e-5f);
    EXPECT_FLOAT_EQ(p.y, 10.0f);
    ASSERT_TRUE(readVector(cartesian, q));
    EXPECT_FLOAT_EQ(q.x, 10.0f);
    EXPECT_FLOAT_EQ(q.y, 90.0f);
}

TEST_F(PrimitivesTest, TextsQuotedOrOneWord) {
    std::istringstream input("'lower arm' \"two\nlines\" plain word");
    std::string a, b, c;
    ASSERT_TRUE(readText(input, a));
    skipBlanks(input);
    ASSERT_TRUE(readText(input, b));
    skipBlanks(input);
    ASSERT_TRUE(readText(input, c));
    EXPECT_EQ(a, "lower arm");
    EXPECT_EQ(b, "two\nlines");
    EXPECT_EQ(c, "plain");
}

TEST_F(PrimitivesTest, MaskTakesItsBaseFromTheTextThenDecimalAgain) {
    std::istringstream input("0x18000 0777 98304 010");
    uint32_t hex = 0, octal = 0, decimal = 0;
    long long after = 0;
    ASSERT_TRUE(readMask(input, hex));
    ASSERT_TRUE(readMask(input, octal));
    ASSERT_TRUE(readMask(input, decimal));
    ASSERT_TRUE(readInteger(input, after));
    EXPECT_EQ(hex, 0x18000u);
    EXPECT_EQ(octal, 0777u);
    EXPECT_EQ(decimal, 98304u);
    EXPECT_EQ(after, 10);
}

TEST_F(PrimitivesTest, NumbersThatAreNotFiniteFloatsFailTheStream) {
    for (const char* text : {"1e39", "-1e39", "nan", "inf", "x"}) {
        std::istringstream input(text);
        float value = 7.0f;
        EXPECT_FALSE(readNumber(input, value)) << text;
        EXPECT_TRUE(input.fail()) << text;
        EXPECT_EQ(value, 7.0f) << text;
    }
    EXPECT_EQ(noteCount(), 5);
}

TEST_F(PrimitivesTest, TranslationDiscardsOneCharacterWhateverItIs) {
    // «x 10 20»: the "1" is discarded, "0 20" is the vector.
    World& world = loadWorld("x 10 20");
    EXPECT_FLOAT_EQ(world.placement.tx, 0.0f);
    EXPECT_FLOAT_EQ(world.placement.ty, 20.0f);
    World& polar = loadWorld("x=p 10 90 z 2 3");
    EXPECT_NEAR(polar.placement.tx, 0.0f, 1e-5f);
    EXPECT_NEAR(polar.placement.ty, 30.0f, 1e-4f);
    EXPECT_FLOAT_EQ(polar.placement.a, 2.0f);
    EXPECT_FLOAT_EQ(polar.placement.d, 3.0f);
}

TEST_F(PrimitivesTest, PlacementThatOverflowsStopsTheFile) {
    World& world = loadWorld("z 1e30 1e30 z 1e30 1e30 l after");
    EXPECT_FLOAT_EQ(world.placement.a, 1e30f);
    EXPECT_TRUE(world.label.empty());
    EXPECT_TRUE(noted("overflows"));
}

TEST_F(PrimitivesTest, CommentsRunToTheLineBreakInEveryLineEnding) {
    for (const char* breakText : {"\n", "\r\n", "\r"}) {
        std::string nl = breakText;
        resetProcessState();
        diagnosticSink = &notes;
        World& world = loadWorld("/ l wrong" + nl + "l right" + nl + "// l wrong too" + nl);
        EXPECT_EQ(world.label, "right") << "line break " << static_cast<int>(nl.back());
    }
    // A "/" that ends its line discards the whole next line.
    World& world = loadWorld("l kept /\nl lost\n");
    EXPECT_EQ(world.label, "kept");
}

TEST_F(PrimitivesTest, CrlfFileReadsLikeLfFile) {
    std::string lf = "W {\nM { l 'a\nb'\nP { g { x= 0 0 }\np { v 0 0 v 2 0 v 2 2 v 0 2 }\n/ note\n} }\n}\n";
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    load(lf);
    load(crlf);
    ASSERT_EQ(worlds.size(), 2u);
    const Body& fromLf = *worlds[0]->models.at(0)->bodies.at(0);
    const Body& fromCrlf = *worlds[1]->models.at(0)->bodies.at(0);
    EXPECT_EQ(fromLf.mass, fromCrlf.mass);
    const Contour& lfOutline = fromLf.shapes.at(0).contours.at(0);
    const Contour& crlfOutline = fromCrlf.shapes.at(0).contours.at(0);
    ASSERT_EQ(lfOutline.size(), crlfOutline.size());
    for (size_t i = 0; i < lfOutline.size(); ++i) {
        EXPECT_EQ(lfOutline[i].x, crlfOutline[i].x);
        EXPECT_EQ(lfOutline[i].y, crlfOutline[i].y);
    }
    EXPECT_EQ(worlds[1]->models[0]->label, "a\r\nb");  // quoted texts keep their line break
    EXPECT_EQ(noteCount(), 0);
}

TEST_F(PrimitivesTest, NotesNameTheFileAndLine) {
    loadWorld("l one\n\nM {\n P { p { v 1 x } }\n}");
    // The world block starts on line 1 of test.ini after "W {\n".
    EXPECT_TRUE(noted("test.ini:5: cannot read a number")) << notes.str();
}

TEST_F(PrimitivesTest, LineNumbersSurviveChunkBoundaries) {
    std::string text(5000, ' ');
    for (size_t i = 0; i < text.size(); i += 10) text[i] = '\n';  // 500 line breaks
    text += "\r\nm x";
    std::istringstream raw(text);
    LineCountingBuffer buffer(raw.rdbuf(), "long");
    std::istream input(&buffer);
    char key = 0;
    ASSERT_TRUE(readKey(input, key));
    EXPECT_EQ(key, 'm');
    EXPECT_EQ(buffer.lineNumber(), 502);
}

TEST_F(PrimitivesTest, UnclosedQuoteTakesTheRestAndIsNoted) {
    World& world = loadWorld("l 'never closed");
    EXPECT_EQ(world.label, "never closed\n}");
    EXPECT_TRUE(noted("not closed"));
}

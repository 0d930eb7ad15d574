#include "files/diagnostics.h"

#include <iostream>
#include <sstream>

#include "files/line_counting_buffer.h"

std::ostream* diagnosticSink = &std::cerr;

// Past this many notes in one top-level read only a final remark is written.
static constexpr int notesPerRead = 100;

std::string printable(const std::string& text) {
    static const char digits[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(text.size());
    for (char c : text) {
        unsigned char code = static_cast<unsigned char>(c);
        if (code >= 0x20 && code != 0x7f) {
            shown += c;
        } else if (code == 0) {
            shown += "\\0";
        } else if (code == '\n') {
            shown += "\\n";
        } else if (code == '\t') {
            shown += "\\t";
        } else if (code == '\r') {
            shown += "\\r";
        } else {
            shown += "\\x";
            shown += digits[code >> 4];
            shown += digits[code & 0xF];
        }
    }
    return shown;
}

std::string numberText(double value) {
    std::ostringstream text;
    text << value;
    std::string shown = text.str();
    size_t exponent = shown.find('e');
    if (exponent == std::string::npos) return shown;
    std::string mantissa = shown.substr(0, exponent);
    std::string power = shown.substr(exponent + 1);
    bool negative = !power.empty() && power[0] == '-';
    if (!power.empty() && (power[0] == '+' || power[0] == '-')) power.erase(0, 1);
    power.erase(0, std::min(power.find_first_not_of('0'), power.size() - 1));
    return mantissa + "e" + (negative ? "-" : "") + power;
}

std::string groupedNumber(uint64_t count) {
    std::string digits = std::to_string(count);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ' ';
        grouped += digits[i];
    }
    return grouped;
}

static void writeNote(LineCountingBuffer& where, const std::string& file, long line, const std::string& what) {
    if (diagnosticSink == nullptr || where.readBudget().stopped) return;
    int& written = where.notesWritten();
    written += 1;
    if (written > notesPerRead + 1) return;
    *diagnosticSink << "vantor: " << printable(file) << ":" << line << ": ";
    if (written == notesPerRead + 1)
        *diagnosticSink << "further problems in this read are not reported\n";
    else
        *diagnosticSink << printable(what) << "\n";
}

void reportReadProblemAt(LineCountingBuffer& where, const std::string& what, long line) {
    writeNote(where, where.sourceName(), line > 0 ? line : where.lineNumber(), what);
}

void reportReadProblemAtPlace(std::istream& input, const std::string& file, long line, const std::string& what) {
    LineCountingBuffer* counting = countingBufferOf(input);
    if (counting == nullptr) {
        if (diagnosticSink)
            *diagnosticSink << "vantor: " << printable(file) << ":" << line << ": " << printable(what) << "\n";
        return;
    }
    writeNote(*counting, file, line, what);
}

void reportReadProblemAtLine(std::istream& input, long line, const std::string& what) {
    if (diagnosticSink == nullptr) return;
    LineCountingBuffer* counting = countingBufferOf(input);
    if (counting == nullptr) {
        *diagnosticSink << "vantor: <input>: " << printable(what) << "\n";
        return;
    }
    reportReadProblemAt(*counting, what, line);
}

void reportReadProblem(std::istream& input, const std::string& what) { reportReadProblemAtLine(input, 0, what); }

std::string sourceNameOf(std::istream& input) {
    LineCountingBuffer* counting = countingBufferOf(input);
    return counting ? counting->sourceName() : std::string("<input>");
}

long keyLineOf(std::istream& input) {
    LineCountingBuffer* counting = countingBufferOf(input);
    return counting ? counting->keyLineNumber() : 0;
}

bool readProblemsSilenced(std::istream& input) {
    if (diagnosticSink == nullptr) return true;
    LineCountingBuffer* counting = countingBufferOf(input);
    return counting != nullptr && (counting->notesWritten() > notesPerRead || counting->readBudget().stopped);
}

std::string collectNotes(const std::function<void()>& read) {
    std::ostringstream notes;
    // The sink is put back even when the read throws.
    struct Restore {
        std::ostream* previous;
        ~Restore() { diagnosticSink = previous; }
    } restore{diagnosticSink};
    diagnosticSink = &notes;
    read();
    return notes.str();
}

void resetDiagnosticSink() { diagnosticSink = &std::cerr; }

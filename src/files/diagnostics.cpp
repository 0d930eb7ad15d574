#include "files/diagnostics.h"

#include <iostream>
#include <sstream>

#include "files/line_counting_buffer.h"

std::ostream* diagnosticSink = &std::cerr;

// Past this many notes in one top-level read only a final remark is written.
static constexpr int notesPerRead = 100;

void reportReadProblem(std::istream& input, const std::string& what) {
    if (diagnosticSink == nullptr) return;
    LineCountingBuffer* counting = countingBufferOf(input);
    if (counting == nullptr) {
        *diagnosticSink << "vantor: <input>: " << what << "\n";
        return;
    }
    int& written = counting->notesWritten();
    written += 1;
    if (written > notesPerRead + 1) return;
    *diagnosticSink << "vantor: " << counting->sourceName() << ":" << counting->lineNumber() << ": ";
    if (written == notesPerRead + 1)
        *diagnosticSink << "further problems in this read are not reported\n";
    else
        *diagnosticSink << what << "\n";
}

bool readProblemsSilenced(std::istream& input) {
    if (diagnosticSink == nullptr) return true;
    LineCountingBuffer* counting = countingBufferOf(input);
    return counting != nullptr && counting->notesWritten() > notesPerRead;
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

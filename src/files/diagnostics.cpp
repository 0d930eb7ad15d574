#include "files/diagnostics.h"

#include <iostream>

#include "files/line_counting_buffer.h"

std::ostream* diagnosticSink = &std::cerr;

// Past this many notes for one source only a final remark is written.
static constexpr int notesPerSource = 100;

void reportReadProblem(std::istream& input, const std::string& what) {
    if (diagnosticSink == nullptr) return;
    LineCountingBuffer* counting = countingBufferOf(input);
    if (counting == nullptr) {
        *diagnosticSink << "vantor: <input>: " << what << "\n";
        return;
    }
    counting->notesWritten += 1;
    if (counting->notesWritten > notesPerSource + 1) return;
    *diagnosticSink << "vantor: " << counting->sourceName() << ":" << counting->lineNumber() << ": ";
    if (counting->notesWritten == notesPerSource + 1)
        *diagnosticSink << "further problems in this file are not reported\n";
    else
        *diagnosticSink << what << "\n";
}

void resetDiagnosticSink() { diagnosticSink = &std::cerr; }

// tarnwell-line: many units at once from the command line.
#include "line/line_program.h"
#include "line/result_stream.h"

int main(int argc, char** argv) {
    // The core's own diagnostics go to standard error; standard output keeps the results.
    tarnwell::line::LineStreams streams{tarnwell::line::TakeStandardOutputForResults(), stderr};
    return tarnwell::line::RunLineProgram(std::vector<std::string>(argv + 1, argv + argc), streams);
}

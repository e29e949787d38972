#include "journal/journal_command.h"

#include <iostream>

int main(int argc, char** argv) {
    return tarnwell::RunJournalCommand(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}

#include "support/built_program.h"
#include "support/temp_dir.h"

#include <windows.h>

namespace tarnwell::test {

namespace {

// The quoting CommandLineToArgvW undoes: quotes around, backslashes before a
// quote doubled.
std::string Quoted(const std::string& word) {
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : word) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

HANDLE InheritableFile(const std::string& path, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& folder) {
    TempDir scratch;
    const std::string outputFile = scratch.File("output");
    std::string commandLine = Quoted(program);
    for (const std::string& argument : arguments) commandLine += " " + Quoted(argument);

    ProgramRun run;
    HANDLE output = InheritableFile(outputFile, CREATE_ALWAYS);
    HANDLE discard = InheritableFile("NUL", OPEN_EXISTING);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = discard;
    PROCESS_INFORMATION process{};
    const bool started = ::CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                          folder.empty() ? nullptr : folder.c_str(), &startup, &process);
    ::CloseHandle(output);
    ::CloseHandle(discard);
    if (!started) return run;
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (::GetExitCodeProcess(process.hProcess, &code)) run.exitStatus = static_cast<int>(code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    run.output = ReadFileBytes(outputFile);
    return run;
}

} // namespace tarnwell::test

// The seams of tavrel_seams.exe. TAVREL_SEAMS holds entries separated by
// commas, each "Call[@text]:N:action[:code]": the Nth call of that system
// function (counting only calls whose path or class name contains the text,
// when one is given) fails with the error code (8, not enough memory, by
// default), throws std::bad_alloc, or ends the process at once with exit
// code 99, as a crash or a killed process would.
#define TAVREL_SEAMS_DEFINED_HERE
#include "tests/seams/seams.h"

#include <cstdlib>
#include <cwchar>
#include <new>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Seam {
    std::string call;
    std::wstring text;
    int when;
    std::string action;
    DWORD code;
    int seen;
};

std::vector<Seam> ReadSeams()
{
    std::vector<Seam> seams;
    const char* value = std::getenv("TAVREL_SEAMS");
    std::istringstream entries(value != nullptr ? value : "");
    std::string entry;
    while (std::getline(entries, entry, ',')) {
        std::istringstream parts(entry);
        std::string call, when = "1", action = "fail", code = "8";
        std::getline(parts, call, ':');
        std::getline(parts, when, ':');
        std::getline(parts, action, ':');
        std::getline(parts, code, ':');
        const size_t at = call.find('@');
        const std::string text = at == std::string::npos ? "" : call.substr(at + 1);
        seams.push_back({call.substr(0, at), std::wstring(text.begin(), text.end()), std::atoi(when.c_str()), action,
                         DWORD(std::strtoul(code.c_str(), nullptr, 10)), 0});
    }
    return seams;
}

// Whether this call is to fail; it may instead throw or end the process.
bool Hit(const char* call, const wchar_t* subject)
{
    static std::vector<Seam> seams = ReadSeams();
    for (Seam& seam : seams) {
        if (seam.call != call || (!seam.text.empty() && (IS_INTRESOURCE(subject) || subject == nullptr ||
                                                         std::wcsstr(subject, seam.text.c_str()) == nullptr)))
            continue;
        if (++seam.seen != seam.when)
            continue;
        if (seam.action == "throw")
            throw std::bad_alloc();
        if (seam.action == "exit")
            TerminateProcess(GetCurrentProcess(), 99);
        SetLastError(seam.code);
        return true;
    }
    return false;
}

} // namespace

// Each seam fails, throws or ends the process where TAVREL_SEAMS asks, and
// otherwise makes the call it stands for.
#define TAVREL_DEFINE_SEAM(type, call, failed, subject, parameters, arguments)                                 \
    type WINAPI Seam##call parameters                                                                            \
    {                                                                                                            \
        return Hit(#call, subject) ? failed : call arguments;                                                    \
    }
TAVREL_SEAM_CALLS(TAVREL_DEFINE_SEAM)

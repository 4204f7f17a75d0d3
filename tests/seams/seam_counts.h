#pragma once
// What tavrel_seams.exe counts for the scenarios, in memory that it shares
// under a name with its process id, for the runner to read.
#include <string>

struct SeamCounts {
    long foreign;      // questions about another program's window while a frame is drawn
    long conversions;  // points converted through the system while a frame is drawn
    long walks;        // walks over every top-level window, one a full look
    long hookInstalls; // low-level mouse hooks installed
    long hooksInPlace; // and not removed since
};

inline std::wstring SeamCountsName(unsigned long process)
{
    return L"Local\\Tavrel.SeamCounts." + std::to_wstring(process);
}

// Every failure, kill and power loss a save or a start can meet, explored
// against a folder kept in memory, in the manner of SQLite's crash tests:
// one, two or three saves with a start before, between and after them; any
// call may fail with an error it really returns, at most twice a sequence;
// and the process may die, or the power go, before any call. Then a start,
// run clean, must load what the user last saved.
//
// The folder: a write reaches the file at once but the disk only at a
// flush, so a power loss takes back what was not flushed. Names (a create,
// an emptying, a rename, a delete, a new end) are journaled and hold at
// once. A record's 32 bytes lie in the first sector, which a disk writes
// whole, and a write over bytes the file already has cannot run out of
// room, so a failed write changes nothing there; only one that grows a file
// can stop halfway, as on a full disk, and leave it short.
#include "app/settings_store.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>

namespace {

constexpr uint32_t kDenied = 5, kSharing = 32, kLocked = 33, kDiskFull = 112, kUnremovable = 1175, kMapped = 1224;

enum Kind { Read, Probe, Open, Write, Flush, SetEnd, Replace, Move, Remove, kKinds };
const char* const kCallNames[kKinds] = { "ReadFile", "the probe of", "CreateFileW", "WriteFile", "FlushFileBuffers",
                                         "SetEndOfFile", "ReplaceFileW", "MoveFileExW", "DeleteFileW" };
// The errors each call can meet, besides those the folder itself gives.
const std::vector<uint32_t> kErrors[kKinds] = {
    { kDenied, kSharing }, { kDenied, kSharing }, { kDenied, kSharing, kDiskFull }, { kLocked, kDiskFull },
    { kFileWriteFault }, { kMapped }, { kUnremovable, kFileReplacedGone, kFileReplacedRenamed, kDenied, kSharing },
    { kDenied, kSharing }, { kDenied, kSharing },
};
const char* const kFileNames[] = { "tavrel.dat", "tavrel.tmp" };

// A name in the folder. Its bytes are those of record `id` (-1: bytes that
// are no record, or a mix of two) cut or padded to its size; the durable
// pair is what the disk holds.
struct File {
    bool present = true, folder = false, readOnly = false, deletePending = false;
    int id = -1, size = 0, durableId = -1, durableSize = 0;
};
constexpr File kNone{ false }, kFolder{ true, true }, kPending{ true, false, false, true };
constexpr File Holding(int id, int size = 32, bool readOnly = false)
{
    return { true, false, readOnly, false, id, size, id, size };
}
constexpr int kDefaults = 15; // the bit of the defaults among accepted records

// The record of save n (0 is the one on disk at the beginning, 9 an older
// leftover): every field differs from every other save's.
Settings Record(int n)
{
    return { kSettingsTag, n, 3 * n, 100 + n, 50 + n, 0x010101u * n, 0x020202u * n, 0x030303u * n };
}

// A folder the sequences begin with; bit n of accepted: record n may be loaded.
struct Start { const char* name; File record, temporary; unsigned accepted; };
const Start kStarts[] = {
    { "an empty folder", kNone, kNone, 1u << kDefaults },
    { "a record", Holding(0), kNone, 1 },
    { "a record longer than 32 bytes", Holding(0, 40), kNone, 1 },
    { "a record beside an older leftover", Holding(0), Holding(9), 1 | 1 << 9 },
    { "a kept record alone", kNone, Holding(0), 1 },
    { "a kept record beside a short file", Holding(-1, 10), Holding(0), 1 },
    { "a kept record beside a wrongly tagged file", Holding(-1, 32), Holding(0), 1 },
    { "a short file", Holding(-1, 10), kNone, 1u << kDefaults },
    { "a read-only record", Holding(0, 32, true), kNone, 1 },
    { "a record and a folder named tavrel.tmp", Holding(0), kFolder, 1 },
    { "a record and a read-only leftover", Holding(0), Holding(9, 32, true), 1 | 1 << 9 },
    { "a record and a tavrel.tmp waiting to be deleted", Holding(0), kPending, 1 },
    { "a leftover longer than 32 bytes alone", kNone, Holding(9, 40), 1u << kDefaults },
};

// The faults of one sequence: up to two failed calls, then perhaps the end
// of the process, or of the power, before a call.
struct Plan { int failAt[2] = { -1, -1 }, failures = 0, endAt = -1; uint32_t code[2] = {}; bool powerLoss = false; };

struct Run {
    File files[2];
    int writing;
    const Plan* plan;
    std::vector<Kind> kinds;
    bool dead, trace; // trace: whether the steps are written down
    unsigned accepted;
    std::string steps, lost;
};

// Whether name i, or with i < 0 either name a start looks at, holds a
// complete record among these, as the file stands or, durable, as the disk
// has it: "tavrel.dat" may be longer than one.
bool Holds(const Run& run, bool durable, unsigned records, int i = -1)
{
    if (i < 0)
        return Holds(run, durable, records, 0) || Holds(run, durable, records, 1);
    const File& f = run.files[i];
    const int id = durable ? f.durableId : f.id, size = durable ? f.durableSize : f.size;
    return f.present && !f.folder && id >= 0 && (size == 32 || (i == 0 && size > 32)) && (records >> id & 1);
}

// Every call begins here: it is counted, and fails or ends the process as
// the plan says. Returns the planned error, or 0 to let the call go on.
uint32_t Enter(Run& run, Kind kind, int file)
{
    if (run.dead)
        return kDenied;
    const int index = int(run.kinds.size());
    run.kinds.push_back(kind);
    const bool ends = index == run.plan->endAt;
    const int fault = run.plan->failAt[0] == index ? 0 : run.plan->failAt[1] == index ? 1 : -1;
    if (!ends && fault < 0)
        return kFileOk;
    if (run.trace)
        run.steps += std::string(", ") + (!ends ? "" : run.plan->powerLoss ? "power lost before " : "killed before ") +
                     kCallNames[kind] + " " + kFileNames[file] +
                     (ends ? "" : " fails " + std::to_string(run.plan->code[fault]));
    run.dead = ends;
    if (ends && run.plan->powerLoss)
        for (File& f : run.files)
            f.id = f.durableId, f.size = f.durableSize;
    return ends ? kDenied : run.plan->code[fault];
}

// After each call that changed the folder, the last complete record must
// still be there, in the files and on the disk.
uint32_t Leave(Run& run, Kind kind, int file, uint32_t error)
{
    if (!run.dead && !(run.accepted >> kDefaults & 1) && run.lost.empty() &&
        (!Holds(run, false, run.accepted) || !Holds(run, true, run.accepted)))
        run.lost = std::string(kCallNames[kind]) + " " + kFileNames[file] + " lost the last complete record";
    return error;
}

Run& Of(void* context) { return *static_cast<Run*>(context); }

// What the folder itself answers: a missing name, or one that is no plain
// file, refuses to be opened, as Windows refuses it.
uint32_t Refused(const File& f, bool writing)
{
    return !f.present ? kFileNotFound : f.folder || f.deletePending || (writing && f.readOnly) ? kDenied : kFileOk;
}

uint32_t ModelRead(void* c, StoreFile which, uint8_t (&bytes)[kSettingsFileSize], uint32_t& count, uint64_t& length)
{
    const File& f = Of(c).files[int(which)];
    uint32_t error = Enter(Of(c), Read, int(which));
    if (error == kFileOk && (error = Refused(f, false)) == kFileOk) {
        EncodeSettings(Record(f.id < 0 ? 0 : f.id), bytes);
        bytes[0] ^= f.id < 0 ? 0xFF : 0;
        count = f.size < 32 ? f.size : 32, length = uint64_t(f.size);
    }
    return error;
}

uint32_t ModelProbe(void* c, StoreFile which)
{
    const uint32_t error = Enter(Of(c), Probe, int(which));
    return error != kFileOk ? error : Refused(Of(c).files[int(which)], true);
}

uint32_t ModelOpen(void* c, StoreFile which, WriteMode mode)
{
    File& f = Of(c).files[int(which)];
    uint32_t error = Enter(Of(c), Open, int(which));
    if (error == kFileOk && (!f.present || (error = Refused(f, true)) == kFileOk)) {
        f = f.present && mode == WriteMode::Kept ? f : File{};
        Of(c).writing = int(which);
    }
    return Leave(Of(c), Open, int(which), error);
}

// The calls on the open file. A write of record id makes a short file 32
// bytes long, or, failing, leaves it torn; a flush puts the file on the
// disk; a new end, being journaled, cuts it to 32 bytes there at once.
uint32_t OnOpenFile(void* c, Kind kind, int id = -1)
{
    File& f = Of(c).files[Of(c).writing];
    const uint32_t error = Enter(Of(c), kind, Of(c).writing);
    if (kind == Write && error == kFileOk)
        f.id = id, f.size = f.size < 32 ? 32 : f.size;
    else if (kind == Write && !Of(c).dead && f.size < 32)
        f.id = -1, f.size = 16 > f.size ? 16 : f.size;
    else if (kind == Flush && error == kFileOk)
        f.durableId = f.id, f.durableSize = f.size;
    else if (kind == SetEnd && error == kFileOk)
        f.size = f.durableSize = 32;
    return Leave(Of(c), kind, Of(c).writing, error);
}

// The temporary file takes the place of "tavrel.dat", by a replace or a
// move. A replace wants a writable file there, and when it fails with 1176
// or 1177 it has taken that file away already, as the Wine seams play it
// too; a move takes the place of any file that is not in its way.
uint32_t Rename(void* c, Kind kind)
{
    File(&f)[2] = Of(c).files;
    const bool replace = kind == Replace;
    uint32_t error = Enter(Of(c), kind, replace ? 0 : 1);
    if (replace && (error == kFileReplacedGone || error == kFileReplacedRenamed))
        f[0].present = false;
    if (error == kFileOk && (error = Refused(f[1], false)) == kFileOk && (replace || f[0].present))
        error = replace && f[0].readOnly ? kUnremovable : Refused(f[0], true);
    if (error == kFileOk)
        f[0] = f[1], f[1] = kNone;
    return Leave(Of(c), kind, replace ? 0 : 1, error);
}

uint32_t ModelRemove(void* c, StoreFile which)
{
    File& f = Of(c).files[int(which)];
    uint32_t error = Enter(Of(c), Remove, int(which));
    if (error == kFileOk && (error = Refused(f, true)) == kFileOk)
        f = kNone;
    return Leave(Of(c), Remove, int(which), error);
}

// Which record these settings are, kDefaults for the defaults, -1 for
// a torn one.
int Which(const Settings& s)
{
    Settings defaults{};
    ApplyDefaultSettings(defaults);
    auto same = [&](const Settings& r) { return std::memcmp(&s.x, &r.x, sizeof s - sizeof s.tag) == 0; };
    return same(defaults) ? kDefaults : s.x >= 0 && s.x < kDefaults && same(Record(s.x)) ? s.x : -1;
}

// Runs the saves from one start under one plan, then twice the start that
// checks them, and tells what went wrong; kinds receives the calls made
// before the checks. The steps that led there are written down only when
// something went wrong, by running the sequence once more: the words would
// otherwise take most of the exploration's time.
std::string RunSequence(const Start& start, int saves, const Plan& plan, std::vector<Kind>& kinds, bool trace = false)
{
    Run run{ { start.record, start.temporary }, -1, &plan, {}, false, trace, start.accepted,
             trace ? std::string("from ") + start.name : "", "" };
    run.kinds.reserve(64);
    // A record's number is the low byte of its x.
    const FileCalls calls{ &run, ModelRead, ModelProbe, ModelOpen,
                           [](void* c, const auto& bytes) { return OnOpenFile(c, Write, bytes[4]); },
                           [](void* c) { return OnOpenFile(c, Flush); }, [](void* c) { return OnOpenFile(c, SetEnd); },
                           [](void* c) { Of(c).writing = -1; }, [](void* c) { return Rename(c, Replace); },
                           [](void* c) { return Rename(c, Move); }, ModelRemove };
    Settings settings{};
    for (int n = 1; n <= saves && !run.dead; ++n) {
        run.steps += trace ? "; start" : "";
        LoadSettingsFile(calls, settings);
        run.steps += trace ? "; save " + std::to_string(n) : "";
        uint8_t bytes[kSettingsFileSize];
        EncodeSettings(Record(n), bytes);
        bool kept = false;
        run.accepted |= 1u << n;
        if (SaveSettingsFile(calls, bytes, kept) == kFileOk && !run.dead) {
            run.accepted = 1u << n;
            if (run.lost.empty() && !(run.files[0].present && run.files[0].id == n && run.files[0].size == 32))
                run.lost = "a save reported done without tavrel.dat holding its 32 bytes";
        }
    }
    kinds = run.kinds;
    std::string failure = run.lost;
    const bool anyComplete = Holds(run, false, ~0u);
    const Plan clean;
    run.plan = &clean, run.dead = false;
    auto load = [&] { return LoadSettingsFile(calls, settings) == kFileOk ? Which(settings) : -2; };
    const int loaded[2] = { load(), load() };
    const std::pair<bool, std::string> checks[] = {
        { loaded[0] == -2, "the start failed" },
        { loaded[0] == -1, "a start loaded a torn record" },
        { loaded[0] == kDefaults && anyComplete, "a start gave the defaults beside a complete record" },
        { loaded[0] >= 0 && !(run.accepted >> loaded[0] & 1), "a start loaded a record older than the last saved" },
        { loaded[1] != loaded[0], "a second start loaded another record" },
        { Holds(run, false, ~0u, 0) && run.files[1].present && Refused(run.files[1], true) == kFileOk,
          "a start left a leftover beside a complete tavrel.dat" },
    };
    for (const auto& check : checks)
        failure = failure.empty() && check.first ? check.second : failure;
    return failure.empty() ? failure
                           : trace ? failure + ": " + run.steps : RunSequence(start, saves, plan, kinds, true);
}

struct Exploration { long sequences = 0, failed = 0; std::map<std::string, std::string> firstOfEach; };

// The plan, then, unless it ends the process, each plan that ends it, or
// fails one more call, after its last failure.
void Explore(Exploration& e, const Start& start, int saves, const Plan& plan)
{
    std::vector<Kind> kinds;
    const std::string failure = RunSequence(start, saves, plan, kinds);
    ++e.sequences;
    if (!failure.empty())
        ++e.failed, e.firstOfEach.emplace(failure.substr(0, failure.find(':')), failure);
    const int from = plan.endAt >= 0 ? int(kinds.size()) : plan.failures > 0 ? plan.failAt[plan.failures - 1] + 1 : 0;
    for (int at = from; at < int(kinds.size()); ++at) {
        for (const bool power : { false, true }) {
            Plan ended = plan;
            ended.endAt = at, ended.powerLoss = power;
            Explore(e, start, saves, ended);
        }
        for (uint32_t code : plan.failures < 2 ? kErrors[kinds[at]] : std::vector<uint32_t>{}) {
            Plan failing = plan;
            failing.failAt[failing.failures] = at, failing.code[failing.failures++] = code;
            Explore(e, start, saves, failing);
        }
    }
}

TEST(SettingsStore, NoFailureKillOrPowerLossLosesTheLastSavedRecord)
{
    const auto began = std::chrono::steady_clock::now();
    Exploration e;
    for (const Start& start : kStarts)
        for (int saves = 1; saves <= 3; ++saves)
            Explore(e, start, saves, Plan{});
    std::printf("%ld sequences in %.1f s, %ld failed\n", e.sequences,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count(), e.failed);
    for (const auto& first : e.firstOfEach)
        std::printf("  %s\n", first.second.c_str());
    EXPECT_EQ(e.failed, 0);
    EXPECT_GT(e.sequences, 100000);
}

} // namespace

#include "app/settings_store.h"

namespace {

// Reads a file and tells whether it holds a complete record, which then
// fills settings. Returns the error of the read.
uint32_t ReadRecord(const FileCalls& calls, StoreFile file, Settings& settings, bool& complete)
{
    uint8_t bytes[kSettingsFileSize] = {};
    uint32_t count = 0;
    uint64_t length = 0;
    const uint32_t error = calls.read(calls.context, file, bytes, count, length);
    complete = error == kFileOk && CompleteRecord(file, bytes, count, length, settings);
    return error;
}

// Writes the 32 bytes into a file and through to the disk. A file kept as
// it is gets its end set at 32 bytes only once the new record is on the
// disk, so that no moment leaves it shorter than a record. Returns the
// error, or 0 when the file is complete; opened tells whether the file
// could be opened at all.
uint32_t WriteRecord(const FileCalls& calls, StoreFile file, WriteMode mode,
                     const uint8_t (&bytes)[kSettingsFileSize], bool& opened)
{
    uint32_t error = calls.open(calls.context, file, mode);
    opened = error == kFileOk;
    if (!opened)
        return error;
    error = calls.write(calls.context, bytes);
    if (error == kFileOk)
        error = calls.flush(calls.context);
    if (error == kFileOk && mode == WriteMode::Kept)
        error = calls.setEnd(calls.context);
    calls.close(calls.context);
    return error;
}

// Puts the complete temporary file in the place of "tavrel.dat". An
// existing file is replaced so that it keeps its own attributes and access
// rights; a missing one is simply the renamed temporary file. A read-only
// "tavrel.dat", or one that another process holds open, refuses the save
// as an overwrite in place would: renaming over it would otherwise succeed
// on some file systems.
//
// Some failures of the replace have already taken the old file away: with
// 1176 it is gone, with 1177 it lives on under a name of the system's
// choosing, and the new record still has its temporary name in both cases.
// Those two codes are taken at their word, whatever a look at the name
// would say: a name still waiting to be deleted, for one, answers "access
// denied", not "not found". After any other code, a "tavrel.dat" that is no
// longer there is taken as such too. The new record is then moved into its
// place, and when even that fails, the temporary file is kept, the only
// copy of the settings there is, and tempKept says so.
uint32_t ReplaceRecord(const FileCalls& calls, bool& tempKept)
{
    uint32_t error = calls.probeWrite(calls.context, StoreFile::Record);
    if (error != kFileOk && error != kFileNotFound)
        return error;
    error = calls.replace(calls.context);
    if (error == kFileOk)
        return kFileOk;
    Settings unused{};
    bool complete = false;
    const bool targetGone = error == kFileNotFound || error == kFileReplacedGone || error == kFileReplacedRenamed ||
                            ReadRecord(calls, StoreFile::Record, unused, complete) == kFileNotFound;
    if (!targetGone)
        return error;
    error = calls.move(calls.context);
    tempKept = error != kFileOk;
    return error;
}

} // namespace

bool CompleteRecord(StoreFile file, const uint8_t (&bytes)[kSettingsFileSize], uint32_t count, uint64_t length,
                    Settings& settings)
{
    if (file == StoreFile::Temporary && length != kSettingsFileSize) {
        ApplyDefaultSettings(settings);
        return false;
    }
    return DecodeSettings(bytes, count, settings);
}

// A complete "tavrel.dat" is the settings, and a temporary file beside it
// is what a save cut short left behind: it goes, but only now that the
// record has been read whole. Without a complete "tavrel.dat" (missing,
// short, or with a wrong tag), a complete temporary file is the record of a
// save that could not put it in place: it is taken and put in place over
// whatever is there. With nothing complete at all, the defaults apply,
// silently, and the files stay as they are. Any failure to read
// "tavrel.dat" but "not found" stops the start.
uint32_t LoadSettingsFile(const FileCalls& calls, Settings& settings)
{
    bool complete = false;
    const uint32_t error = ReadRecord(calls, StoreFile::Record, settings, complete);
    if (error != kFileOk && error != kFileNotFound)
        return error;
    if (complete) {
        calls.remove(calls.context, StoreFile::Temporary);
        return kFileOk;
    }
    ApplyDefaultSettings(settings);
    Settings leftover = settings;
    ReadRecord(calls, StoreFile::Temporary, leftover, complete);
    if (complete) {
        settings = leftover;
        calls.move(calls.context);
    }
    return kFileOk;
}

// A save writes the new record to the temporary file first, which then
// takes the place of "tavrel.dat" in one step, so that a failed or
// interrupted save leaves the old record whole. Where the temporary file
// cannot be created, "tavrel.dat" is written in place: over its start,
// without emptying it first, so that the old record stays until the new
// one is on the disk.
//
// The temporary file is removed on every failure but one: when it has
// become the only copy of the settings, it stays for the next start, and
// tempKept says so. Such a record is given up only for a newer complete
// one. With no complete "tavrel.dat" beside it, the save first puts it in
// place, as a start would; where that fails, or where the temporary file
// cannot even be read, the new record is written over "tavrel.dat" in
// place, which holds nothing complete to lose, and the temporary file goes
// once that is done. Until then a start still prefers a complete temporary
// record to whatever part of the new one reached "tavrel.dat", so no third
// name is needed. A "tavrel.dat" that cannot be read may be the newer
// record of the two, so the save stops there, before touching either.
uint32_t SaveSettingsFile(const FileCalls& calls, const uint8_t (&bytes)[kSettingsFileSize], bool& tempKept)
{
    tempKept = false;
    Settings unused{};
    bool recordComplete = false, tempComplete = false;
    uint32_t error = ReadRecord(calls, StoreFile::Record, unused, recordComplete);
    if (error != kFileOk && error != kFileNotFound)
        return error;
    if (!recordComplete)
        error = ReadRecord(calls, StoreFile::Temporary, unused, tempComplete);
    const bool tempUnknown = !recordComplete && error != kFileOk && error != kFileNotFound;
    bool opened = false;
    if (tempUnknown || (tempComplete && calls.move(calls.context) != kFileOk)) {
        error = WriteRecord(calls, StoreFile::Record, WriteMode::Kept, bytes, opened);
        if (error == kFileOk)
            calls.remove(calls.context, StoreFile::Temporary);
        return error;
    }
    error = WriteRecord(calls, StoreFile::Temporary, WriteMode::Emptied, bytes, opened);
    if (!opened)
        return WriteRecord(calls, StoreFile::Record, WriteMode::Kept, bytes, opened);
    if (error == kFileOk)
        error = ReplaceRecord(calls, tempKept);
    if (error != kFileOk && !tempKept)
        calls.remove(calls.context, StoreFile::Temporary);
    return error;
}

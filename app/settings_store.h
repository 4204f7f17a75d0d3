#pragma once
// How a start reads "tavrel.dat" and how a save writes it, over a thin set
// of file calls. Nothing here calls the platform: tavrel.exe runs these
// rules over the real calls (app/settings_file.cpp), and the native tests
// run them over a folder kept in memory, where any call can fail and the
// process can die or the power go at any step.
#include <cstdint>

#include "app/settings_record.h"

// The two names a save and a start work with: "tavrel.dat" and the
// temporary file beside it.
enum class StoreFile : uint8_t { Record, Temporary };

// How a file is opened for writing: emptied first, or kept as it is, so
// that the bytes go over its start. Both create a missing file.
enum class WriteMode : uint8_t { Emptied, Kept };

// The system error codes these rules look at, with the system's values.
constexpr uint32_t kFileOk = 0;
constexpr uint32_t kFileNotFound = 2;
constexpr uint32_t kFileWriteFault = 29;
constexpr uint32_t kFileReplacedGone = 1176;    // ERROR_UNABLE_TO_MOVE_REPLACEMENT
constexpr uint32_t kFileReplacedRenamed = 1177; // ERROR_UNABLE_TO_MOVE_REPLACEMENT_2

// The file calls. Each returns 0 or the system's error code. Only one file
// is open for writing at a time, so the writing calls need no handle.
struct FileCalls {
    void* context;
    // Reads up to 32 bytes from the start of the file: count tells how many
    // came, length how long the file is.
    uint32_t (*read)(void* context, StoreFile file, uint8_t (&bytes)[kSettingsFileSize], uint32_t& count,
                     uint64_t& length);
    // Whether an existing file could be opened for writing; a missing one
    // answers "not found".
    uint32_t (*probeWrite)(void* context, StoreFile file);
    uint32_t (*open)(void* context, StoreFile file, WriteMode mode);
    uint32_t (*write)(void* context, const uint8_t (&bytes)[kSettingsFileSize]);
    uint32_t (*flush)(void* context);
    // Ends the open file at 32 bytes.
    uint32_t (*setEnd)(void* context);
    void (*close)(void* context);
    // The temporary file takes the place of "tavrel.dat", which keeps its
    // attributes and access rights.
    uint32_t (*replace)(void* context);
    // The temporary file is renamed "tavrel.dat", replacing one that is
    // there.
    uint32_t (*move)(void* context);
    uint32_t (*remove)(void* context, StoreFile file);
};

// Whether these bytes, read from a file of this length, are a complete
// record that a start takes: 32 bytes with a valid tag, and from the
// temporary file, which only a save writes, exactly 32.
bool CompleteRecord(StoreFile file, const uint8_t (&bytes)[kSettingsFileSize], uint32_t count, uint64_t length,
                    Settings& settings);

// Reads the settings as a start does. Returns 0, or the error that keeps
// start-up from going on; settings then hold the record or the defaults.
uint32_t LoadSettingsFile(const FileCalls& calls, Settings& settings);

// Writes the 32 bytes as a save does. Returns 0, or the error to report;
// tempKept tells that the new record is left in the temporary file, where
// the next start takes it.
uint32_t SaveSettingsFile(const FileCalls& calls, const uint8_t (&bytes)[kSettingsFileSize], bool& tempKept);

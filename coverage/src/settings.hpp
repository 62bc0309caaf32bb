// Compiled-in settings of the coverage runtime: paths, file names, signals.
#pragma once

#include <cstdint>
#include <string_view>

namespace covdump::settings
{

// Node name of the card; written from the kernel's node name when missing.
inline constexpr const char *kLocFile = "/tmp/cflow_loc";

// Dump directories: the persistent disk, its dump directory, and the
// scratch directory every writer uses (a link to the disk one when the
// disk is present).
inline constexpr const char *kPersistentDisk = "/misc/disk1/";
inline constexpr const char *kDiskDumpDir = "/misc/disk1/cflow/";
inline constexpr const char *kScratchDir = "/misc/scratch/";
inline constexpr const char *kScratchLink = "/misc/scratch/cflow";
inline constexpr const char *kDumpDirName = "cflow";
inline constexpr std::string_view kDumpDir = "/misc/scratch/cflow/";
inline constexpr std::string_view kLogDirPrefix = "coverage_logs_";
inline constexpr std::string_view kLogDirSuffix = ".dat";

// Registration records.
inline constexpr const char *kRegFile = "/misc/scratch/cflow_reg_file";
inline constexpr const char *kTransFile = "/misc/scratch/cflow_trans_file";

// Log files inside the log directory.
inline constexpr const char *kProcessLog = "process_registration.log";
inline constexpr const char *kTransientLog = "transient_registration.log";
inline constexpr const char *kSignalLog = "recieved_signals.log";
inline constexpr const char *kDumpLog = "coverage_dump.log";

// Dump file names.
inline constexpr std::string_view kDumpSuffix = ".ARM";
inline constexpr std::string_view kDatSuffix = ".dat";
inline constexpr std::string_view kTransientSuffix = "_transient";
inline constexpr std::string_view kCopyPrefix = "cflow";
inline constexpr std::size_t kDumpPidDigits = 5;
inline constexpr std::size_t kCopyPidDigits = 4;

// Buffer sizes of the exported and internal paths.
inline constexpr std::size_t kLocSize = 128;
inline constexpr std::size_t kLogPathSize = 512;
inline constexpr std::size_t kDumpPathSize = 256;

// Environment handed to every program the process starts.
inline constexpr const char *kPrefixVar = "GCOV_PREFIX";
inline constexpr const char *kPrefixValue = "/tmp/cflow";
inline constexpr const char *kPrefixStripVar = "GCOV_PREFIX_STRIP";
inline constexpr const char *kPrefixStripValue = "0";

// Coverage control signals: dump, dump, clear.
inline constexpr int kSignalCount = 3;
inline constexpr int kDumpSignal = 56;
inline constexpr int kClearSignal = 57;

// Dump image.
inline constexpr std::int32_t kImageVersion = 3;
inline constexpr std::int32_t kImageHeaderSize = 8;
inline constexpr std::uint32_t kGcdaMagic = 0x67636461;
inline constexpr std::uint32_t kGcdaVersion = 0x3430322A;
inline constexpr std::uint32_t kTagFunction = 0x01000000;
inline constexpr std::uint32_t kTagCounterBase = 0x01A10000;
inline constexpr std::uint32_t kTagObjectSummary = 0xA1000000;
inline constexpr std::uint32_t kTagProgramSummary = 0xA3000000;
inline constexpr std::uint32_t kCrcPolynomial = 0x04C11DB7;
inline constexpr int kCounterKinds = 5;

// GCC 12 data images: lengths count bytes; a block of counters that are all
// zero carries the negated length and no counters; a 0 word ends the image.
inline constexpr std::uint32_t kGcc12FunctionLength = 12;
inline constexpr std::uint32_t kGcc12SummaryLength = 8;
inline constexpr int kGcc12TopValuesKind = 3;
inline constexpr int kGcc12IndirectCallKind = 4;

} // namespace covdump::settings

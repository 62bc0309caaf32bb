// Control of the fakes that replace the library's platform edge (src/os.h)
// in the unit tests: the I2C devices (tests/fakes/i2c_dev.cpp), the pauses
// (tests/fakes/clock.cpp) and the chassis-type file
// (tests/fakes/chassis_file.cpp).  The simulated bus 1 carries a 2 KiB
// ID-PROM behind 0x50 to 0x57; every call is recorded, none waits.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace boardprom_test
{

struct I2cEvent {
    enum Kind { Open, Bind, Close, SmbusRead, SmbusBlockRead, SmbusWrite, RawRead, RawWrite };
    Kind kind;
    std::string path;          // Open
    unsigned long request = 0; // Bind
    int addr = -1;             // device bound when the event happened
    int command = -1;          // SMBus command byte
    int size = 0;       // SMBus write kind (1 byte, 2 byte data, 3 word, 5 block, 8 i2c block)
    uint32_t value = 0; // SMBus value written
};

struct FakeI2c {
    std::array<uint8_t, 2048> eeprom{}; // the ID-PROM on bus 1
    std::set<int> absent;               // device addresses that never answer
    bool open_fails = false;
    bool bind_fails = false;
    int failing_transfers = 0;        // next transfers that fail (then succeed)
    std::vector<uint8_t> block_reply; // what an SMBus block read returns
    long raw_read_result = -2;        // forced raw read() result; -2: natural
    long raw_write_result = -2;       // forced raw write() result; -2: natural
    uint8_t raw_pointer = 0;          // register pointer of raw transfers
    std::vector<I2cEvent> events;
    int open_fds = 0;

    size_t count(I2cEvent::Kind kind) const;
};

// The fake bus, reset to a blank ID-PROM by reset_platform().
FakeI2c &fake_i2c();

// Pauses requested so far, in microseconds.
std::vector<unsigned> &fake_sleeps();
unsigned long long fake_slept_us();

void reset_platform();

// The chassis-type file's contents from now on; no value: the file cannot
// be opened.
void set_chassis_file(std::optional<std::string> content);

// The path the library last asked for.
const std::string &chassis_file_path();

} // namespace boardprom_test

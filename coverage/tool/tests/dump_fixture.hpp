// Dumps for the tests, written by libcovdump's own image writer from
// hand-built descriptors, and covtool's commands run over memory.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "commands.hpp"
#include "fake_object.hpp"
#include "merge.hpp"
#include "source.hpp"

namespace covtool::test
{

using Bytes = std::vector<unsigned char>;

class LibraryDump : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        covdump::test::reset_registry();
    }
    void TearDown() override
    {
        covdump::test::reset_registry();
    }
    // Registers a new object; fn_counts[f][j]: counters of the j-th present
    // kind in function f.
    covdump::test::FakeObject &add(const std::string &name, std::uint32_t mask,
                                   std::vector<std::vector<std::uint32_t>> fn_counts,
                                   std::uint32_t stamp = 0x5EED1234)
    {
        auto &o = objects_.emplace_back(
            std::make_unique<covdump::test::FakeObject>(name, mask, std::move(fn_counts), stamp));
        o->register_it();
        return *o;
    }
    // The dump the library writes for the registry as it stands.
    static Bytes dump()
    {
        int size = 0;
        void *image = cflow_writetobuffer(&size);
        Bytes bytes(static_cast<unsigned char *>(image),
                    static_cast<unsigned char *>(image) + size);
        std::free(image);
        return bytes;
    }
    static Bytes merge(const std::vector<const Bytes *> &dumps, bool skip = false,
                       std::string *messages = nullptr)
    {
        std::vector<MemorySource> sources;
        for (std::size_t i = 0; i < dumps.size(); ++i) {
            sources.emplace_back("dump" + std::to_string(i + 1), *dumps[i]);
        }
        std::vector<const Source *> inputs;
        for (const MemorySource &s : sources) {
            inputs.push_back(&s);
        }
        MemorySink out;
        std::ostringstream err;
        merge_dumps(inputs, out, {skip}, err);
        if (messages != nullptr) {
            *messages = err.str();
        }
        return out.data;
    }
    static std::string list(const Bytes &dump, ListOptions options = {})
    {
        std::ostringstream out, err;
        list_dump(MemorySource("dump", dump), options, out, err);
        return out.str() + err.str();
    }

  private:
    std::vector<std::unique_ptr<covdump::test::FakeObject>> objects_;
};

} // namespace covtool::test

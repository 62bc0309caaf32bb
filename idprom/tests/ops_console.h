// Scripted operator for the show and program tests: standard input comes
// from a string, standard output is captured.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <unistd.h>
#include <utility>
#include <vector>

namespace boardprom_test
{

class Console
{
  public:
    explicit Console(std::string_view input = {})
    {
        path_ = testing::TempDir() + "console_stdin_" + std::to_string(getpid()) + ".txt";
        std::FILE *f = std::fopen(path_.c_str(), "wb");
        if (f != nullptr) {
            if (!input.empty())
                std::fwrite(input.data(), 1, input.size(), f);
            std::fclose(f);
        }
        EXPECT_NE(std::freopen(path_.c_str(), "rb", stdin), nullptr);
        testing::internal::CaptureStdout();
        capturing_ = true;
    }

    ~Console()
    {
        finish();
        std::freopen("/dev/null", "rb", stdin);
        std::remove(path_.c_str());
    }

    Console(const Console &) = delete;
    Console &operator=(const Console &) = delete;

    // Everything printed so far; ends the capture.
    std::string output()
    {
        finish();
        return output_;
    }

    // What the walk left unread on standard input.
    static std::string unread()
    {
        std::string rest;
        for (int c = std::getchar(); c != EOF; c = std::getchar())
            rest.push_back(static_cast<char>(c));
        return rest;
    }

  private:
    void finish()
    {
        if (capturing_) {
            std::fflush(stdout);
            output_ = testing::internal::GetCapturedStdout();
            capturing_ = false;
        }
    }

    std::string path_;
    std::string output_;
    bool capturing_ = false;
};

// Answers for a program-mode walk: one line per prompt, empty except the
// ones given by prompt index, then `tail` (the confirmation).
inline std::string answer_lines(size_t prompts,
                                const std::vector<std::pair<size_t, std::string>> &set,
                                std::string_view tail = {})
{
    std::vector<std::string> lines(prompts);
    for (const auto &[row, text] : set)
        lines[row] = text;
    std::string all;
    for (const auto &l : lines)
        all += l + "\n";
    return all + std::string(tail);
}

// Number of times `needle` occurs in `text`.
inline size_t count_of(const std::string &text, std::string_view needle)
{
    size_t n = 0;
    for (size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + needle.size()))
        ++n;
    return n;
}

} // namespace boardprom_test

// Changed fields, confirmation, write and read-back of a new image.
#include "apply.h"

#include "prom_io.h"

#include <cctype>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace idpromtool
{
namespace
{

inline constexpr const char *kChange = "%s: %s -> %s\n";
inline constexpr const char *kOtherBytes = "%d bytes outside the layout's fields change\n";
inline constexpr const char *kNoChanges =
    "No changes: the %s PROM already holds this image; nothing written.\n";
inline constexpr const char *kQuestion = "Write these changes to the %s PROM? (y/N) ";
inline constexpr const char *kDeclined = "Nothing written.";
inline constexpr const char *kNoAnswer =
    "no answer (end of input); nothing written: add --yes to write without asking";
inline constexpr const char *kWriting = "Writing %d bytes to the %s PROM...\n";
inline constexpr const char *kWriteFailed = "writing the %s PROM failed, rc 0x%x";
inline constexpr int kAnswerSize = 64;

enum class Answer { Yes, No, NoAnswer };

// One line from standard input: "y" or "yes" in any case writes.
Answer ask(const Prom &prom)
{
    std::printf(kQuestion, prom_name(prom).c_str());
    std::fflush(stdout);
    char line[kAnswerSize] = {};
    const bool answered = std::fgets(line, sizeof line, stdin) != nullptr;
    // A terminal echoes the answer and its line end; anything else leaves
    // the question's line open.
    if (!answered || isatty(STDIN_FILENO) != 1)
        std::putchar('\n');
    if (!answered)
        return Answer::NoAnswer;
    std::string word;
    for (const char *p = line; *p != '\0'; ++p) {
        if (std::isspace(static_cast<unsigned char>(*p)) == 0)
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    }
    return word == "y" || word == "yes" ? Answer::Yes : Answer::No;
}

bool same_bytes(const Image &a, const Image &b, const sprom_field_def &row)
{
    const int n = sprom_field_size(&row);
    for (int i = 0; i < n; ++i) {
        if (a[row.offset + i] != b[row.offset + i])
            return false;
    }
    return true;
}

} // namespace

ChangeCount print_changes(const Prom &prom, const Fields &fields, const Image &before,
                          const Image &after)
{
    ChangeCount count;
    std::vector<bool> named(static_cast<size_t>(prom.size), false);
    for (const FieldRow &r : fields.rows()) {
        const sprom_field_def &row = fields.def(r);
        std::string old_value;
        std::string new_value;
        if (!shown_value(prom, before, row, &old_value) ||
            !shown_value(prom, after, row, &new_value))
            continue;
        for (int i = 0; i < sprom_field_size(&row); ++i)
            named[row.offset + i] = true;
        if (same_bytes(before, after, row))
            continue;
        std::printf(kChange, r.name.c_str(), printable(old_value).c_str(),
                    printable(new_value).c_str());
        ++count.fields;
    }
    for (int i = 0; i < prom.size; ++i)
        count.other_bytes += !named[i] && before[i] != after[i] ? 1 : 0;
    if (count.other_bytes > 0)
        std::printf(kOtherBytes, count.other_bytes);
    return count;
}

int apply_image(const Request &request, const Prom &prom, const Image &before, const Image &after)
{
    const Fields fields(prom);
    const ChangeCount changes = print_changes(prom, fields, before, after);
    if (changes.fields == 0 && changes.other_bytes == 0) {
        std::printf(kNoChanges, prom_name(prom).c_str());
        return kExitOk;
    }
    if (!request.yes) {
        switch (ask(prom)) {
        case Answer::Yes:
            break;
        case Answer::No:
            std::puts(kDeclined);
            return kExitOk;
        case Answer::NoAnswer:
            return complain(kExitUsage, kNoAnswer);
        }
    }
    std::printf(kWriting, prom.size, prom_name(prom).c_str());
    std::fflush(stdout);
    const int rc = write_prom(prom, after);
    if (rc != 0)
        return complain(kExitFailed, kWriteFailed, prom_name(prom).c_str(),
                        static_cast<unsigned>(rc));
    if (request.no_verify) {
        verification_skipped(false);
        return kExitOk;
    }
    return verify_prom(prom, after);
}

} // namespace idpromtool

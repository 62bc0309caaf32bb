#include "image_decoder.hpp"

#include <cstring>
#include <stdexcept>

namespace covdump::test
{
namespace
{

class Reader
{
  public:
    explicit Reader(std::span<const unsigned char> bytes) : bytes_(bytes) {}
    std::uint32_t be32()
    {
        need(4);
        const unsigned char *p = &bytes_[pos_];
        pos_ += 4;
        return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
               (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]};
    }
    std::uint32_t word()
    {
        need(4);
        std::uint32_t v = 0;
        std::memcpy(&v, &bytes_[pos_], 4);
        pos_ += 4;
        return v;
    }
    std::uint32_t peek_word()
    {
        const std::size_t at = pos_;
        const std::uint32_t v = word();
        pos_ = at;
        return v;
    }
    std::string bytes(std::size_t n)
    {
        need(n);
        std::string s(reinterpret_cast<const char *>(&bytes_[pos_]), n);
        pos_ += n;
        return s;
    }
    std::size_t pos() const
    {
        return pos_;
    }

  private:
    void need(std::size_t n) const
    {
        if (pos_ + n > bytes_.size()) {
            throw std::runtime_error("image ends inside a field at " + std::to_string(pos_));
        }
    }
    std::span<const unsigned char> bytes_;
    std::size_t pos_ = 0;
};

DecodedSummary read_summary(Reader &in)
{
    DecodedSummary s;
    s.tag = in.word();
    s.length = in.word();
    s.checksum = in.word();
    s.num = in.word();
    s.runs = in.word();
    for (auto *pair : {s.sum_all, s.run_max, s.sum_max}) {
        pair[0] = in.word();
        pair[1] = in.word();
    }
    return s;
}

bool is_counter_tag(std::uint32_t tag)
{
    return (tag & 0xFFF10000U) == 0x01A10000U && (tag & 0xFFFFU) == 0;
}

void check_length(const Reader &in, std::size_t start, const DecodedRecord &r)
{
    if (in.pos() - start != r.image_length) {
        throw std::runtime_error("image length " + std::to_string(r.image_length) + " but " +
                                 std::to_string(in.pos() - start) + " bytes read");
    }
}

bool is_gcc12_version(std::uint32_t version)
{
    return (version >> 24) == 'B';
}

// The rest of a GCC 12 data image, after magic, version and stamp.
void read_gcc12(Reader &in, DecodedRecord &r)
{
    r.gcc12 = true;
    r.g12.checksum = in.word();
    r.g12.summary_tag = in.word();
    r.g12.summary_length = in.word();
    r.g12.runs = in.word();
    r.g12.run_max = in.word();
    while (in.peek_word() == 0x01000000U) {
        DecodedFunction f;
        f.tag = in.word();
        f.length = in.word();
        if (f.length != 0) {
            f.ident = in.word();
            f.checksum = in.word();
            f.cfg_checksum = in.word();
            while (is_counter_tag(in.peek_word())) {
                DecodedCounters c;
                c.tag = in.word();
                c.length = in.word();
                // A negative length stands for that many bytes of zeros.
                if (static_cast<std::int32_t>(c.length) > 0) {
                    for (std::uint32_t i = 0; i < c.length / 4; ++i) {
                        c.words.push_back(in.word());
                    }
                }
                f.counters.push_back(std::move(c));
            }
        }
        r.functions.push_back(std::move(f));
    }
    r.g12.end = in.word();
}

DecodedRecord read_record(Reader &in)
{
    DecodedRecord r;
    r.name_length = in.be32();
    if (r.name_length == 0) {
        throw std::runtime_error("empty name");
    }
    const std::string name = in.bytes(r.name_length);
    if (name.back() != '\0') {
        throw std::runtime_error("name without its NUL");
    }
    r.name = name.substr(0, name.size() - 1);
    r.image_length = in.be32();
    const std::size_t start = in.pos();
    r.magic = in.word();
    r.version = in.word();
    r.stamp = in.word();
    if (is_gcc12_version(r.version)) {
        read_gcc12(in, r);
        check_length(in, start, r);
        return r;
    }
    while (in.peek_word() == 0x01000000U) {
        DecodedFunction f;
        f.tag = in.word();
        f.length = in.word();
        f.ident = in.word();
        f.checksum = in.word();
        while (is_counter_tag(in.peek_word())) {
            DecodedCounters c;
            c.tag = in.word();
            c.length = in.word();
            for (std::uint32_t i = 0; i < c.length; ++i) {
                c.words.push_back(in.word());
            }
            f.counters.push_back(std::move(c));
        }
        r.functions.push_back(std::move(f));
    }
    r.object = read_summary(in);
    r.program = read_summary(in);
    check_length(in, start, r);
    return r;
}

} // namespace

DecodedImage decode_image(std::span<const unsigned char> bytes)
{
    DecodedImage image;
    Reader in(bytes);
    try {
        image.version = in.be32();
        image.count = in.be32();
        for (std::uint32_t i = 0; i < image.count; ++i) {
            image.records.push_back(read_record(in));
        }
        if (in.pos() != bytes.size()) {
            image.error = "trailing bytes after the last record";
        }
    } catch (const std::exception &e) {
        image.error = e.what();
    }
    image.consumed = in.pos();
    return image;
}

} // namespace covdump::test

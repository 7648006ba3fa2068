#include "core/gif/lzw_decoder.h"

#include <array>
#include <cstring>
#include <memory>

namespace pictoreel {

namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;

// The codes of the sub-blocks, least significant bit first.
class CodeReader {
public:
    // False unless the sub-blocks are whole and end with the zero-length block.
    bool start(const QByteArray& subBlocks)
    {
        const auto* p = reinterpret_cast<const std::uint8_t*>(subBlocks.constData());
        const std::size_t size = static_cast<std::size_t>(subBlocks.size());
        data_.clear();
        data_.reserve(size);
        for (std::size_t at = 0; at < size;) {
            const std::size_t length = p[at];
            if (length == 0)
                return true;
            if (length > size - at - 1)
                return false;
            data_.insert(data_.end(), p + at + 1, p + at + 1 + length);
            at += length + 1;
        }
        return false;
    }

    // The next code of `bits` bits, or -1 when the data has run out.
    int next(int bits)
    {
        while (filled_ < bits) {
            if (at_ == data_.size())
                return -1;
            buffer_ |= std::uint32_t(data_[at_++]) << filled_;
            filled_ += 8;
        }
        const int code = int(buffer_ & ((1u << bits) - 1));
        buffer_ >>= bits;
        filled_ -= bits;
        return code;
    }

private:
    std::vector<std::uint8_t> data_;
    std::size_t at_ = 0;
    std::uint32_t buffer_ = 0;
    int filled_ = 0;
};

// Every code's string as where it has been written already and its length: the string of an
// entry is the previous code's string and the first index after it, which is where the
// previous code was written. A code's string is then copied from there, as LZ77 copies.
struct StringTable {
    std::array<std::size_t, kTableSize> at;
    std::array<std::uint16_t, kTableSize> length;
};

}  // namespace

bool decodeGifPixels(const GifCompressedPixels& pixels, std::uint8_t* out, std::size_t count)
{
    const int minCodeSize = pixels.minCodeSize;
    if (minCodeSize < 2 || minCodeSize > 8)
        return false;
    const int clearCode = 1 << minCodeSize, endCode = clearCode + 1;
    thread_local std::unique_ptr<StringTable> tableOf = std::make_unique<StringTable>();
    StringTable& t = *tableOf;

    CodeReader reader;
    if (!reader.start(pixels.subBlocks))
        return false;
    int bits = minCodeSize + 1, next = endCode + 1, previous = -1;
    std::size_t at = 0, previousAt = 0;
    while (at < count) {
        const int code = reader.next(bits);
        if (code < 0 || code == endCode)
            return false;  // fewer pixels than the image holds
        if (code == clearCode) {
            bits = minCodeSize + 1;
            next = endCode + 1;
            previous = -1;
            continue;
        }
        if (previous >= 0 && next < kTableSize) {
            // A code not yet in the table is this very entry: the previous string and its own
            // first index, copied from one place on.
            if (code > next)
                return false;
            const int added = next++;
            t.at[std::size_t(added)] = previousAt;
            t.length[std::size_t(added)] =
                static_cast<std::uint16_t>((previous < clearCode ? 1 : t.length[std::size_t(previous)]) + 1);
            if (next == (1 << bits) && bits < kMaxCodeBits)
                ++bits;
        } else if (code >= next || (previous < 0 && code >= clearCode)) {
            return false;
        }
        if (code < clearCode) {
            out[at] = static_cast<std::uint8_t>(code);
            previousAt = at++;
        } else {
            const std::size_t length = t.length[std::size_t(code)];
            if (length > count - at)
                return false;  // more pixels than the image holds
            const std::uint8_t* from = out + t.at[std::size_t(code)];
            if (from + length <= out + at)
                std::memcpy(out + at, from, length);
            else  // the string runs on into itself
                for (std::size_t i = 0; i < length; ++i)
                    out[at + i] = from[i];
            previousAt = at;
            at += length;
        }
        previous = code;
    }
    return true;
}

}  // namespace pictoreel

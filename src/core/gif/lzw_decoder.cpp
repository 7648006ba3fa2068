#include "core/gif/lzw_decoder.h"

#include <algorithm>
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

struct LzwStreamDecoder::Table {
    std::array<std::uint16_t, kTableSize> prefix;
    std::array<std::uint8_t, kTableSize> suffix;
    std::array<std::uint8_t, kTableSize> first;
    std::array<std::uint8_t, kTableSize> pending;  // the last code's string
};

LzwStreamDecoder::LzwStreamDecoder(int minCodeSize) : table_(std::make_unique<Table>()), minCodeSize_(minCodeSize)
{
    pendingAt_ = kTableSize;  // nothing pending
    if (minCodeSize < 0 || minCodeSize >= kMaxCodeBits) {
        ended_ = failed_ = true;
        return;
    }
    Table& t = *table_;
    for (int code = 0; code < (1 << minCodeSize); ++code)
        t.suffix[std::size_t(code)] = t.first[std::size_t(code)] = static_cast<std::uint8_t>(code);
    clear();
}

LzwStreamDecoder::~LzwStreamDecoder() = default;

void LzwStreamDecoder::clear()
{
    codeSize_ = minCodeSize_ + 1;
    available_ = (1 << minCodeSize_) + 2;
    previous_ = -1;
}

int LzwStreamDecoder::nextCode(const BlockSource& nextBlock)
{
    while (bitCount_ < codeSize_) {
        while (blockAt_ == block_.size()) {
            blockAt_ = 0;
            block_.clear();
            if (!nextBlock(block_) || block_.empty())
                return -1;
        }
        bits_ |= std::uint32_t(block_[blockAt_++]) << bitCount_;
        bitCount_ += 8;
    }
    const int code = int(bits_ & ((1u << codeSize_) - 1));
    bits_ >>= codeSize_;
    bitCount_ -= codeSize_;
    return code;
}

std::size_t LzwStreamDecoder::read(std::uint8_t* out, std::size_t count, const BlockSource& nextBlock)
{
    if (ended_ && pendingAt_ >= kTableSize)
        return 0;  // also a code size that no stream can have: its codes are never worked out
    Table& t = *table_;
    const int clearCode = 1 << minCodeSize_, endCode = clearCode + 1;
    std::size_t written = 0;
    while (written < count) {
        if (pendingAt_ < kTableSize) {
            const std::size_t n = std::min(count - written, kTableSize - pendingAt_);
            std::memcpy(out + written, t.pending.data() + pendingAt_, n);
            written += n;
            pendingAt_ += n;
            continue;
        }
        if (ended_)
            break;
        const int code = nextCode(nextBlock);
        if (code < 0 || code == endCode) {
            ended_ = true;
            break;
        }
        if (code == clearCode) {
            clear();
            continue;
        }
        // A code one past the table is the entry about to be made: the previous string and its own
        // first index. Anything further is an error that ends the image.
        if (code > available_ || (code == available_ && previous_ < 0)) {
            ended_ = failed_ = true;
            break;
        }
        if (previous_ >= 0 && available_ < kTableSize) {
            const std::size_t added = std::size_t(available_++);
            const std::size_t p = std::size_t(previous_);
            t.prefix[added] = static_cast<std::uint16_t>(previous_);
            t.first[added] = t.first[p];
            t.suffix[added] = code < int(added) ? t.first[std::size_t(code)] : t.first[p];
        }
        // A full table takes no more entries; the codes stay 12 bits wide.
        if (available_ >= (1 << codeSize_) && codeSize_ < kMaxCodeBits)
            ++codeSize_;
        previous_ = code;
        // The string, written back to front from its last index.
        std::size_t at = kTableSize;
        for (int c = code;; c = t.prefix[std::size_t(c)]) {
            t.pending[--at] = t.suffix[std::size_t(c)];
            if (c < clearCode)
                break;
        }
        pendingAt_ = at;
    }
    return written;
}

}  // namespace pictoreel

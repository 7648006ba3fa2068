#include "core/gif/lzw_encoder.h"

#include <array>
#include <memory>

namespace pictoreel {

namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kLastCode = (1 << kMaxCodeBits) - 1;

// Codes of the strings seen so far, keyed by (prefix code, next index). A slot belongs to the
// current table only when its generation is the table's: emptying the table is one increment.
class StringTable {
public:
    StringTable() { generations_.fill(0); }

    void clear()
    {
        if (++generation_ == 0) {  // wrapped: old stamps could look current again
            generations_.fill(0);
            generation_ = 1;
        }
    }

    // The code of `key`, or -1; `slot` is where it would go.
    int find(std::uint32_t key, std::uint32_t& slot) const
    {
        slot = (key * 2654435761u) >> (32 - kBits);
        for (;;) {
            if (generations_[slot] != generation_)
                return -1;
            if (keys_[slot] == key)
                return codes_[slot];
            slot = (slot + 1) & (kSize - 1);
        }
    }

    void add(std::uint32_t slot, std::uint32_t key, int code)
    {
        generations_[slot] = generation_;
        keys_[slot] = key;
        codes_[slot] = static_cast<std::uint16_t>(code);
    }

private:
    static constexpr int kBits = 14;  // 4096 codes at most: a quarter full
    static constexpr std::uint32_t kSize = 1u << kBits;
    std::uint32_t generation_ = 1;
    std::array<std::uint32_t, kSize> generations_;
    std::array<std::uint32_t, kSize> keys_;
    std::array<std::uint16_t, kSize> codes_;
};

// Packs codes least significant bit first into data sub-blocks.
class CodeWriter {
public:
    explicit CodeWriter(std::size_t expectedCodes) { out_.reserve(qsizetype(expectedCodes * 3 / 2 + 16)); }

    void put(int code, int bits)
    {
        buffer_ |= std::uint64_t(code) << filled_;
        filled_ += bits;
        while (filled_ >= 8) {
            putByte(static_cast<std::uint8_t>(buffer_));
            buffer_ >>= 8;
            filled_ -= 8;
        }
    }

    bool full() const { return false; }

    QByteArray finish()
    {
        if (filled_ > 0)
            putByte(static_cast<std::uint8_t>(buffer_));
        flushBlock();
        out_.append('\0');
        return std::move(out_);
    }

private:
    void putByte(std::uint8_t byte)
    {
        block_[blockLength_++] = byte;
        if (blockLength_ == 255)
            flushBlock();
    }

    void flushBlock()
    {
        if (blockLength_ == 0)
            return;
        out_.append(char(blockLength_));
        out_.append(reinterpret_cast<const char*>(block_.data()), blockLength_);
        blockLength_ = 0;
    }

    QByteArray out_;
    std::uint64_t buffer_ = 0;
    int filled_ = 0;
    std::array<std::uint8_t, 255> block_{};
    int blockLength_ = 0;
};

// Counts the bits the codes would take, stopping once past `limit`.
class BitCounter {
public:
    explicit BitCounter(std::size_t limit) : limit_(limit) {}
    void put(int, int bits) { bits_ += std::size_t(bits); }
    bool full() const { return bits_ > limit_; }
    std::size_t bits() const { return bits_; }

private:
    std::size_t limit_;
    std::size_t bits_ = 0;
};

// Takes the codes and keeps nothing: for choosing indices without coding them.
struct NoOutput {
    void put(int, int) {}
    bool full() const { return false; }
};

// No pixel is ever coded as another.
struct Exact {
    int operator()(std::size_t, int, const StringTable&) const { return -1; }
};

// The one LZW coder: `out` receives every code with its width (CodeWriter packs them, BitCounter
// counts them). Returns early once `out.full()`. Where the string so far followed by pixel i is
// not in the table, `substitute(i, current, table)` may return the code of the string followed by
// another index (having put that index in the pixel's place), or -1.
template <class Out, class Substitute = Exact>
void encode(const std::uint8_t* indices, std::size_t count, int minCodeSize, Out& out, Substitute substitute = {})
{
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    const std::uint8_t mask = static_cast<std::uint8_t>(clearCode - 1);
    thread_local std::unique_ptr<StringTable> table = std::make_unique<StringTable>();
    table->clear();

    int codeBits = minCodeSize + 1;
    int lastAssigned = endCode;
    out.put(clearCode, codeBits);
    if (count == 0) {
        out.put(endCode, codeBits);
        return;
    }
    int current = indices[0] & mask;
    for (std::size_t i = 1; i < count; ++i) {
        const std::uint8_t next = indices[i] & mask;
        const std::uint32_t key = (std::uint32_t(current) << 8) | next;
        std::uint32_t slot = 0;
        if (const int code = table->find(key, slot); code >= 0) {
            current = code;
            continue;
        }
        if (const int code = substitute(i, current, *table); code >= 0) {
            current = code;
            continue;
        }
        out.put(current, codeBits);
        if (out.full())
            return;
        // The decoder adds its entry one code later, and widens its codes once its table holds
        // 2^bits entries: widening right after assigning code 2^bits keeps both in step.
        table->add(slot, key, ++lastAssigned);
        if (lastAssigned >= (1 << codeBits) && codeBits < kMaxCodeBits)
            ++codeBits;
        if (lastAssigned == kLastCode) {
            out.put(clearCode, codeBits);
            table->clear();
            codeBits = minCodeSize + 1;
            lastAssigned = endCode;
        }
        current = next;
    }
    out.put(current, codeBits);
    out.put(endCode, codeBits);
}

}  // namespace

QByteArray compressGifPixels(const std::uint8_t* indices, std::size_t count, int minCodeSize)
{
    CodeWriter out(count / 2);
    encode(indices, count, minCodeSize, out);
    return out.finish();
}

std::size_t gifCodedBits(const std::uint8_t* indices, std::size_t count, int minCodeSize, std::size_t limit)
{
    BitCounter counter(limit);
    encode(indices, count, minCodeSize, counter);
    return counter.bits();
}

void loosenGifIndices(std::uint8_t* indices, std::size_t count, int minCodeSize, const IndexNeighbours& neighbours,
                      const float* tolerance)
{
    const std::uint8_t mask = static_cast<std::uint8_t>((1 << minCodeSize) - 1);
    // The nearest neighbour that continues the string: the longest strings come from letting
    // every pixel go on when it can, and the nearest keeps the error smallest.
    auto substitute = [&](std::size_t i, int current, const StringTable& table) {
        const std::uint8_t exact = indices[i] & mask;
        const float allowed = tolerance[i];
        for (std::uint32_t k = neighbours.offsets[exact]; k < neighbours.offsets[exact + 1u]; ++k) {
            if (neighbours.distance[k] > allowed)
                break;
            std::uint32_t slot = 0;
            const int code = table.find((std::uint32_t(current) << 8) | neighbours.index[k], slot);
            if (code >= 0) {
                indices[i] = neighbours.index[k];
                return code;
            }
        }
        return -1;
    };
    NoOutput out;
    encode(indices, count, minCodeSize, out, substitute);
}

}  // namespace pictoreel

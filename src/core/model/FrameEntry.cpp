#include "core/model/FrameEntry.h"

namespace vorla {
namespace {

// Record layout: six int16 fields (12 bytes), seven bytes (19), three uint32 (31), then the
// link's 28 bytes: a reserved word, a reserved text word, word1, word2, linkedTime (int64) and a
// reserved path word. The reserved words keep the record at its historical 59 bytes.
class Writer {
public:
    explicit Writer(std::uint8_t* out) : out_(out) {}
    void Put(std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) *out_++ = static_cast<std::uint8_t>(value >> (8 * i));
    }

private:
    std::uint8_t* out_;
};

class Reader {
public:
    explicit Reader(const std::uint8_t* in) : in_(in) {}
    std::uint64_t Get(int bytes) {
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint64_t>(*in_++) << (8 * i);
        return value;
    }
    std::int16_t Int16() { return static_cast<std::int16_t>(Get(2)); }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(Get(1)); }
    std::uint32_t Word() { return static_cast<std::uint32_t>(Get(4)); }

private:
    const std::uint8_t* in_;
};

}  // namespace

FrameEntry FrameEntry::FromGifPage(const GifPageInfo& page) {
    FrameEntry entry;
    entry.left = static_cast<std::int16_t>(page.left);
    entry.top = static_cast<std::int16_t>(page.top);
    entry.width = static_cast<std::int16_t>(page.width);
    entry.height = static_cast<std::int16_t>(page.height);
    entry.controlFlags = static_cast<std::uint8_t>(((page.controlByte >> 2) & 7) << 2);
    entry.transparent = page.transparent;
    entry.interlaced = page.interlaced;
    entry.delay = static_cast<std::int16_t>(page.delay < 0 ? kDelayWithoutControl : page.delay);
    entry.colorCount = static_cast<std::int16_t>(page.colorCount);
    entry.transparentIndex =
        entry.transparent ? page.transparentIndex : static_cast<std::uint8_t>(page.colorCount - 1);
    entry.restoreBackground = (entry.controlFlags & 0x1C) == 8;
    return entry;
}

std::array<std::uint8_t, FrameEntry::kSerializedSize> FrameEntry::Serialize() const {
    std::array<std::uint8_t, kSerializedSize> bytes{};
    Writer w(bytes.data());
    for (std::int16_t v : {left, top, width, height, delay, colorCount}) {
        w.Put(static_cast<std::uint16_t>(v), 2);
    }
    for (std::uint8_t v : {transparentIndex, controlFlags, selected, gapSelected, transparent,
                           restoreBackground, interlaced}) {
        w.Put(v, 1);
    }
    w.Put(transparentColor, 4);
    w.Put(keyColor, 4);
    w.Put(effectWord, 4);
    w.Put(0, 4);
    w.Put(0, 4);
    w.Put(link.word1, 4);
    w.Put(link.word2, 4);
    w.Put(static_cast<std::uint64_t>(link.linkedTime), 8);
    w.Put(0, 4);
    return bytes;
}

FrameEntry FrameEntry::Deserialize(std::span<const std::uint8_t, kSerializedSize> bytes) {
    FrameEntry e;
    Reader r(bytes.data());
    e.left = r.Int16();
    e.top = r.Int16();
    e.width = r.Int16();
    e.height = r.Int16();
    e.delay = r.Int16();
    e.colorCount = r.Int16();
    e.transparentIndex = r.Byte();
    e.controlFlags = r.Byte();
    e.selected = r.Byte();
    e.gapSelected = r.Byte();
    e.transparent = r.Byte();
    e.restoreBackground = r.Byte();
    e.interlaced = r.Byte();
    e.transparentColor = r.Word();
    e.keyColor = r.Word();
    e.effectWord = r.Word();
    r.Word();
    r.Word();
    e.link.word1 = r.Word();
    e.link.word2 = r.Word();
    e.link.linkedTime = static_cast<std::int64_t>(r.Get(8));
    return e;
}

}  // namespace vorla

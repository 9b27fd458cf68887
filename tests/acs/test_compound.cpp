// The compound-document reader against documents built here, whole and damaged.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "acs/compound.h"
#include "acs/error.h"
#include "acs/testing/oldkind.h"

namespace acs = vistrel::acs;
namespace testing_ = vistrel::acs::testing;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes pattern(std::size_t n, std::uint8_t seed) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) {
        b[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 251);
    }
    return b;
}

// Streams on both sides of the mini-stream cutoff, and an empty one.
std::vector<testing_::CompoundStream> sampleStreams() {
    return {{u"char.acf", pattern(100, 1)},
            {u"anim1.aaf", pattern(4095, 2)},
            {u"anim2.aaf", pattern(4096, 3)},
            {u"anim3.aaf", pattern(5000, 4)},
            {u"empty", {}}};
}

void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

// Opens `bytes` and reads every stream; the error message, or "" when all went well.
std::string readAll(const Bytes& bytes, std::uint64_t* offset = nullptr) {
    try {
        acs::CompoundDocument doc(bytes);
        for (const auto& s : doc.streams()) {
            (void)doc.read(s);
        }
        return "";
    } catch (const acs::Error& e) {
        if (offset) {
            *offset = e.offset();
        }
        return e.what();
    }
}

}  // namespace

TEST(CompoundDocument, StreamsReadBackOnBothSidesOfTheCutoff) {
    for (bool version4 : {false, true}) {
        SCOPED_TRACE(version4 ? "4096-byte sectors" : "512-byte sectors");
        const auto streams = sampleStreams();
        testing_::CompoundOptions options;
        options.version4 = version4;
        const testing_::CompoundLayout layout = testing_::buildCompoundDocument(streams, options);
        EXPECT_EQ(layout.inMini, (std::vector<bool>{true, true, false, false, true}));
        acs::CompoundDocument doc(layout.bytes);
        EXPECT_EQ(doc.sectorSize(), version4 ? 4096u : 512u);
        EXPECT_EQ(doc.rootClass().toString(), "{BB64DF2F-88E4-11D0-9E87-00C04FD7081F}");
        ASSERT_EQ(doc.streams().size(), streams.size());
        for (std::size_t i = 0; i < streams.size(); ++i) {
            EXPECT_EQ(doc.streams()[i].name, streams[i].name);  // directory order
            EXPECT_EQ(doc.read(doc.streams()[i]), streams[i].data) << i;
        }
        ASSERT_NE(doc.find(u"CHAR.ACF"), nullptr);
        EXPECT_EQ(doc.find(u"Anim3.AAF")->size, 5000u);
        EXPECT_EQ(doc.find(u"anim4.aaf"), nullptr);
    }
}

TEST(CompoundDocument, ManyAllocationSectorsAreFoundThroughTheExtensionChain) {
    // More than 109 allocation-table sectors: the header cannot list them all.
    const Bytes big = pattern(7'300'000, 9);
    const auto layout = testing_::buildCompoundDocument({{u"big", big}, {u"small", pattern(9, 1)}});
    ASSERT_GT(layout.fatSectors.size(), 109u);
    ASSERT_EQ(layout.difatSectors.size(), 1u);
    acs::CompoundDocument doc(layout.bytes);
    EXPECT_EQ(doc.read(*doc.find(u"big")), big);
    EXPECT_EQ(doc.read(*doc.find(u"small")), pattern(9, 1));

    // An extension chain that ends early, or points at itself.
    Bytes cut = layout.bytes;
    put32(cut, 68, 0xFFFFFFFE);
    EXPECT_NE(readAll(cut).find("extension chain stops"), std::string::npos) << readAll(cut);
    // One more table sector than the extension sector lists, whose next sector is itself.
    Bytes loop = layout.bytes;
    const std::size_t ext = layout.sectorOffset(layout.difatSectors[0]);
    for (std::size_t k = layout.fatSectors.size() - 109; k < 127; ++k) {
        put32(loop, ext + 4 * k, 0);
    }
    put32(loop, 44, 109 + 127 + 1);
    put32(loop, ext + 508, layout.difatSectors[0]);
    EXPECT_NE(readAll(loop).find("loops back"), std::string::npos) << readAll(loop);
}

TEST(CompoundDocument, DamagedDocumentsAreRefusedWithTheirPlace) {
    const auto streams = sampleStreams();
    const testing_::CompoundLayout L = testing_::buildCompoundDocument(streams);
    const std::uint32_t regular = L.start[3];  // anim3.aaf: 5000 bytes in 10 sectors
    const std::uint32_t mini = L.start[1];     // anim1.aaf: 4095 bytes in 64 mini sectors
    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"a chain cut short",
         [&](Bytes& b) { put32(b, L.fatEntryOffset(regular + 3), 0xFFFFFFFE); },
         "stream \"anim3.aaf\": the chain ends after 4 sectors"},
        {"a chain into a free sector",
         [&](Bytes& b) { put32(b, L.fatEntryOffset(regular), 0xFFFFFFFF); },
         "stream \"anim3.aaf\": the free-sector mark is not in the file"},
        {"a chain past the file", [&](Bytes& b) { put32(b, L.fatEntryOffset(regular + 1), 90000); },
         "stream \"anim3.aaf\": sector 90000 is not in the file"},
        {"a chain that loops",
         [&](Bytes& b) { put32(b, L.fatEntryOffset(regular + 5), regular + 2); },
         "stream \"anim3.aaf\": the chain loops back to sector"},
        {"a mini chain that loops",
         [&](Bytes& b) { put32(b, L.miniFatEntryOffset(mini + 9), mini); },
         "stream \"anim1.aaf\": the mini chain loops back"},
        {"a mini chain past the mini stream",
         [&](Bytes& b) { put32(b, L.miniFatEntryOffset(mini), 5000); },
         "stream \"anim1.aaf\": mini sector 5000 has no mini allocation-table entry"},
        {"a directory chain that loops",
         [&](Bytes& b) { put32(b, L.fatEntryOffset(L.directoryStart), L.directoryStart); },
         "directory: the chain loops back"},
        {"a directory tree that loops",
         [&](Bytes& b) { put32(b, L.entryOffset(1) + 68, 3); },  // entry 3 is the tree's root
         "directory: the tree loops back to entry 3"},
        {"a link to a missing entry", [&](Bytes& b) { put32(b, L.entryOffset(0) + 76, 77); },
         "directory: link to entry 77"},
        {"a stream larger than the file",
         [&](Bytes& b) { put32(b, L.entryOffset(4) + 120, 1u << 30); },
         "stream \"anim3.aaf\": size 1073741824 is larger than"},
        {"a stream longer than its chain",
         [&](Bytes& b) { put32(b, L.entryOffset(4) + 120, 5000 + 512 * 4); },
         "stream \"anim3.aaf\""},
        {"a mini stream size past the file",
         [&](Bytes& b) { put32(b, L.entryOffset(0) + 120, 1u << 31); }, "mini stream: size"},
        {"a first entry that is no root", [&](Bytes& b) { b[L.entryOffset(0) + 66] = 1; },
         "the first entry is not the root storage"},
        {"more table sectors than the file has", [&](Bytes& b) { put32(b, 44, 1000); },
         "1000 allocation-table sectors"},
        {"a table sector outside the file", [&](Bytes& b) { put32(b, 76, 4000); },
         "allocation table: sector 4000 is not a whole sector"},
        {"a wrong byte order mark", [&](Bytes& b) { b[28] = 0xFF; }, "byte order mark"},
        {"a sector size of 1024", [&](Bytes& b) { b[30] = 10; }, "sector shift 10"},
        {"a mini sector of 128 bytes", [&](Bytes& b) { b[32] = 7; }, "mini sector size"},
        {"another cutoff", [&](Bytes& b) { put32(b, 56, 1000); }, "cutoff 1000"},
        {"a file cut in its header", [&](Bytes& b) { b.resize(300); },
         "the header needs 512 bytes"},
        {"a file cut in its streams", [&](Bytes& b) { b.resize(b.size() - 2048); },
         "is not in the file's"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes b = L.bytes;
        c.damage(b);
        std::uint64_t offset = acs::Error::kNoOffset;
        const std::string message = readAll(b, &offset);
        EXPECT_NE(message.find(c.expected), std::string::npos) << message;
        EXPECT_NE(offset, acs::Error::kNoOffset) << message;
    }
}

TEST(CompoundDocument, EveryTruncationAndByteChangeEndsInAMessageOrTheStreams) {
    const Bytes doc = testing_::buildCompoundDocument(
                          {{u"a", pattern(70, 1)}, {u"b", pattern(4200, 2)}, {u"c", pattern(3, 3)}})
                          .bytes;
    for (std::size_t n = 0; n < doc.size(); ++n) {
        const std::string message =
            readAll(Bytes(doc.begin(), doc.begin() + static_cast<std::ptrdiff_t>(n)));
        if (n + 512 < doc.size()) {  // the last sector holds only the end of "b"
            EXPECT_NE(message, "") << "truncated to " << n;
        }
    }
    for (std::size_t i = 0; i < doc.size(); ++i) {
        for (int v : {0x00, 0xFF, doc[i] ^ 0x41}) {
            Bytes b = doc;
            b[i] = static_cast<std::uint8_t>(v);
            (void)readAll(b);  // must return; sanitizers catch anything else
        }
    }
}

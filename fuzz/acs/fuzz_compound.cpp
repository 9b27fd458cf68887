// The compound-document reader on untrusted bytes: the structure, every stream, lookups by
// name. A stream that reads at all has exactly its declared size.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "acs/compound.h"
#include "acs/error.h"

namespace acs = vistrel::acs;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const acs::CompoundDocument doc(std::span(data, size));
        for (const auto& s : doc.streams()) {
            try {
                if (doc.read(s).size() != s.size) {
                    std::abort();
                }
            } catch (const acs::Error&) {
            }
        }
        (void)doc.find(u"char.acf");
    } catch (const acs::Error&) {
    }
    return 0;
}

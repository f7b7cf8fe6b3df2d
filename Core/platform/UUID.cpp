#include "Core/platform/UUID.h"

#include <uuid/uuid.h>

#include <mutex>
#include <random>

namespace olva::platform {

namespace {

// One generator for the process, seeded once from the system's entropy:
// the library's own would ask the kernel for randomness, and for the
// process's identity, for every identifier, which is most of what an entry
// costs in system calls. Identifiers need to be unique, not secret.
class IdentifierSource {
public:
    IdentifierSource()
    {
        std::random_device entropy;
        std::seed_seq seed{entropy(), entropy(), entropy(), entropy(), entropy(), entropy(), entropy(), entropy()};
        engine_.seed(seed);
    }

    std::string next()
    {
        std::uint64_t high, low;
        {
            std::lock_guard lock(mutex_);
            high = engine_();
            low = engine_();
        }
        uuid_t id;
        for (int i = 0; i < 8; ++i) {
            id[i] = static_cast<unsigned char>(high >> (56 - 8 * i));
            id[8 + i] = static_cast<unsigned char>(low >> (56 - 8 * i));
        }
        // Version 4 (random), variant 1.
        id[6] = static_cast<unsigned char>((id[6] & 0x0F) | 0x40);
        id[8] = static_cast<unsigned char>((id[8] & 0x3F) | 0x80);
        char text[37];
        uuid_unparse_upper(id, text);
        return text;
    }

private:
    std::mutex mutex_;
    std::mt19937_64 engine_;
};

IdentifierSource& source()
{
    static IdentifierSource made;
    return made;
}

}  // namespace

std::string newUUID() { return source().next(); }

std::optional<std::string> canonicalUUID(std::string_view text)
{
    if (text.size() != 36) return std::nullopt;
    std::string copy(text);
    uuid_t id;
    if (uuid_parse(copy.c_str(), id) != 0) return std::nullopt;
    char upper[37];
    uuid_unparse_upper(id, upper);
    return std::string(upper);
}

}  // namespace olva::platform

#include "bundle/TNCrypto.h"

#include <openssl/evp.h>

#include <memory>

namespace {

struct DigestContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

} // namespace

std::vector<unsigned char> TNCrypto::createDigestForData(std::istream& stream)
{
    std::unique_ptr<EVP_MD_CTX, DigestContextDeleter> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha1(), nullptr) != 1)
        return {};

    char buffer[1024];
    for (;;) {
        stream.read(buffer, sizeof buffer);
        std::streamsize count = stream.gcount();
        if (count > 0 && EVP_DigestUpdate(context.get(), buffer, static_cast<size_t>(count)) != 1)
            return {};
        if (stream.bad())
            return {};
        if (count == 0 || stream.eof())
            break;
    }

    std::vector<unsigned char> digest(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest.data(), &length) != 1)
        return {};
    digest.resize(length);
    return digest;
}

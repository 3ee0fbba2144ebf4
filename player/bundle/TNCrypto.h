// Cryptographic digests over OpenSSL's EVP interface.
#ifndef TN_CRYPTO_H
#define TN_CRYPTO_H

#include <istream>
#include <vector>

class TNCrypto {
public:
    // The 20-byte SHA-1 digest of everything the stream yields, read in
    // pieces of 1,024 bytes. Empty when the stream fails with a read error
    // (the digest stops there) or the digest cannot be computed.
    static std::vector<unsigned char> createDigestForData(std::istream& stream);
};

#endif

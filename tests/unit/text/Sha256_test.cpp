// The digests records are checked by must be the ones `sha256sum` gives: known answers
// around the padding's edges (55, 56 and 64 bytes) and a long message fed in pieces.

#include "text/Sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Sha256, KnownAnswers)
{
    const struct {
        std::string message;
        const char* digest;
    } rows[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    };
    for (const auto& row : rows) EXPECT_EQ(Sha256Hex(row.message), row.digest) << row.message.size() << " bytes";
}

TEST(Sha256, AMillionBytesInUnevenPieces)
{
    CSha256 digest;
    const std::string piece(997, 'a');
    std::size_t left = 1000000;
    while (left > 0) {
        const std::size_t size = std::min(left, piece.size());
        digest.Update(std::string_view(piece).substr(0, size));
        left -= size;
    }
    EXPECT_EQ(digest.Hex(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

}  // namespace

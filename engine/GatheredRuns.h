#pragma once

// The bytes of a staged file gathered into runs and sent in few calls: bytes that lie
// elsewhere for as long as the write lasts (a mapped file's own) go out from where they
// are, without a copy; text made on the way is kept together until it is sent. A batch
// is sent once it holds a thousand runs, a megabyte, or sixteen kilobytes of made text.

#include "engine/StagedWrite.h"
#include "text/Sha256.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CGatheredRuns {
public:
    // The digest, when given, sees every byte in the order the file gets it.
    CGatheredRuns(CStagedWrite& write, CSha256* digest) : m_write(write), m_digest(digest) {}

    // Takes the text and empties it.
    bool AddMade(std::string& text);
    // The bytes stay where they are until they are sent.
    bool AddFileBytes(std::string_view bytes);
    // Sends what is gathered; nothing is left to send after it, whether it worked or not.
    bool Send();

private:
    struct Run {
        const char* bytes;  // nullptr: made text, at `madeAt`
        std::size_t madeAt;
        std::size_t size;
    };

    void Note(std::string_view bytes);
    bool Full() const;

    CStagedWrite& m_write;
    CSha256* m_digest;
    std::vector<Run> m_runs;
    std::vector<std::string_view> m_views;
    std::string m_made;
    std::size_t m_gathered = 0;
};

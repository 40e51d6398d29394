// Answers the rich edit control's read requests while the help file is
// streamed in (EM_STREAMIN): each request of S bytes reads at most S/2 bytes
// from the source, so that the text still fits in S bytes after every line
// break has been widened to CR LF. LF alone, CR alone and CR LF each become
// one CR LF, also when the CR ends one chunk and the LF begins the next.
// A chunk's text ends at its first zero byte; the rest of that chunk is
// dropped.
//
//   LineBreakNormaliser normaliser;   // one per streaming pass
//   size_t n = normaliser.Fill(buffer, requestSize,
//       [&](char* to, size_t most) { return file.Read(to, most); });
//   // n == 0: end of data
//
// The read callback may throw; Fill lets the exception through and the
// caller reports it to the control as an error for the pass.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

class LineBreakNormaliser {
public:
    // Reads up to the number of bytes it may read, returns how many it read;
    // 0 means the source has no more.
    using ReadFunction = std::function<size_t(char* to, size_t most)>;

    // Writes at most requestSize bytes to out and returns their count. 0 only
    // when the source is exhausted (or requestSize is below 2, which leaves
    // no room to read a byte and widen it).
    size_t Fill(char* out, size_t requestSize, const ReadFunction& read);

private:
    std::vector<char> chunk_;
    // The last byte handed out was a CR that ended its chunk: it has already
    // become CR LF, so an LF at the start of the next chunk is its partner.
    bool crEndedLastChunk_ = false;
};

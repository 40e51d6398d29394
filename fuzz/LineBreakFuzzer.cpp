// The help file's line-break normaliser, driven as the rich edit control
// drives it: a sequence of requests whose sizes come from the fuzz data,
// against a source that hands out short reads of fuzz-chosen length.
//
// What must hold:
// - every answer fits its request (the buffer is exactly the request's size,
//   so AddressSanitizer sees any byte written past it);
// - a request below 2 bytes reads nothing and answers 0;
// - an answer of 0 to a request of 2 or more comes only at the end of data;
// - the answers, joined, are the reference conversion of what was read:
//   each chunk's text ends at its first zero byte; a chunk cut short by a
//   zero byte ends any line break there; otherwise LF, CR and CR LF each
//   become one CR LF, also when the CR ends one chunk and the LF begins the
//   next;
// - with no zero byte in the input the result does not depend on the
//   chunking at all.

#include "FuzzCheck.h"
#include "ui/portable/LineBreakNormaliser.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// Marks, in the reference's stream, a place where a chunk's text was cut by
// a zero byte: no CR LF pair may be formed across it.
constexpr int kBreak = -1;

std::string ReferenceConvert(const std::vector<int>& stream)
{
    std::string out;
    for (size_t i = 0; i < stream.size(); ++i) {
        const int c = stream[i];
        if (c == kBreak)
            continue;
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < stream.size() && stream[i + 1] == '\n')
                ++i;
        } else {
            out += char(c);
        }
    }
    return out;
}

std::vector<int> ReferenceStream(const std::vector<std::string>& chunks)
{
    std::vector<int> stream;
    for (const std::string& chunk : chunks) {
        const size_t zero = chunk.find('\0');
        const std::string text = chunk.substr(0, zero);
        for (unsigned char c : text)
            stream.push_back(c);
        if (zero != std::string::npos)
            stream.push_back(kBreak);
    }
    return stream;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    const std::string input = data.ConsumeBytesAsString(data.ConsumeIntegralInRange<size_t>(0, size));

    size_t position = 0;
    std::vector<std::string> chunks;
    int readCalls = 0;
    // Short reads as a file or pipe may give them; never 0 before the end,
    // since 0 means the end of the data.
    auto read = [&](char* to, size_t most) -> size_t {
        ++readCalls;
        FUZZ_CHECK(most > 0, "asked to read 0 bytes");
        size_t limit = data.remaining_bytes() > 0 ? data.ConsumeIntegralInRange<size_t>(1, 64) : most;
        size_t n = std::min({most, limit, input.size() - position});
        std::memcpy(to, input.data() + position, n);
        chunks.emplace_back(input, position, n);
        position += n;
        return n;
    };

    LineBreakNormaliser normaliser;
    std::string output;
    for (int guard = 0;; ++guard) {
        FUZZ_CHECK(guard < 1000000, "the pass never ends");
        // Once the fuzz data run out, large requests finish the pass.
        size_t request = 4096;
        if (data.remaining_bytes() > 0) {
            request = data.ConsumeIntegralInRange<size_t>(0, 40);
            if (request == 40)
                request = data.ConsumeIntegralInRange<size_t>(40, 70000);
        }
        auto buffer = std::make_unique<char[]>(request);
        const int callsBefore = readCalls;
        const size_t answer = normaliser.Fill(buffer.get(), request, read);
        FUZZ_CHECK(answer <= request,
                   "answered " + std::to_string(answer) + " to a request of " + std::to_string(request));
        if (request < 2) {
            FUZZ_CHECK(answer == 0 && readCalls == callsBefore, "a request below 2 bytes read or answered");
            continue;
        }
        if (answer == 0) {
            FUZZ_CHECK(position == input.size(),
                       "answered 0 with " + std::to_string(input.size() - position) + " bytes left");
            break;
        }
        output.append(buffer.get(), answer);
    }

    const std::string expected = ReferenceConvert(ReferenceStream(chunks));
    FUZZ_CHECK(output == expected,
               "input " + Printable(input) + "\n  output " + Printable(output) + "\n  expected " + Printable(expected));
    if (input.find('\0') == std::string::npos) {
        FUZZ_CHECK(output == ReferenceConvert(ReferenceStream({input})), "the result depends on the chunking");
    }
    return 0;
}

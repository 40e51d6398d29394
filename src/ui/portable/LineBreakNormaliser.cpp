#include "ui/portable/LineBreakNormaliser.h"

#include <cstring>

size_t LineBreakNormaliser::Fill(char* out, size_t requestSize, const ReadFunction& read)
{
    const size_t most = requestSize / 2;
    if (most == 0)
        return 0;
    chunk_.resize(most);

    // The control takes an empty answer for the end of the data, so a chunk
    // that converts to nothing (a lone LF completing the previous chunk's CR,
    // or a zero byte at its start) must not end the stream: read on.
    for (;;) {
        const size_t got = read(chunk_.data(), most);
        if (got == 0)
            return 0;

        const char* text = chunk_.data();
        const void* zero = std::memchr(text, '\0', got);
        const size_t length = zero ? size_t(static_cast<const char*>(zero) - text) : got;

        size_t i = 0;
        if (crEndedLastChunk_ && length > 0 && text[0] == '\n')
            i = 1;
        crEndedLastChunk_ = false;

        size_t written = 0;
        for (; i < length; ++i) {
            const char c = text[i];
            if (c == '\r' || c == '\n') {
                out[written++] = '\r';
                out[written++] = '\n';
                if (c == '\r' && i + 1 < length && text[i + 1] == '\n')
                    ++i;
                // Only a CR that is the very last byte read can have its LF
                // in the next chunk; one cut short by a zero byte cannot.
                else if (c == '\r' && i + 1 == got)
                    crEndedLastChunk_ = true;
            } else {
                out[written++] = c;
            }
        }
        if (written > 0)
            return written;
    }
}

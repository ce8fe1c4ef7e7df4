// The stand-in reads every upload it is sent; no body may crash it, and what it
// accepts must hold together.
#include "Multipart.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype split = input.indexOf('\n');
    const QByteArray contentType = split < 0 ? QByteArray("multipart/form-data; boundary=B") : input.left(split);
    const QByteArray body = split < 0 ? input : input.mid(split + 1);
    if (const auto parts = parseMultipart(contentType, body)) {
        for (const MultipartPart &part : *parts) {
            if (part.data.size() > body.size())
                __builtin_trap();
        }
    }
    return 0;
}

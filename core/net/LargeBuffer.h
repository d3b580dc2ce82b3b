#pragma once

#include <QtGlobal>

// Large answer bodies (megabytes) are written into fresh memory once; on Linux, asking for
// transparent huge pages for such a buffer spares the system most of its page faults.
// Elsewhere, and for small buffers, this does nothing.
namespace LargeBuffer {

inline constexpr qsizetype Threshold = qsizetype(2) << 20;

void advise(void *data, qsizetype bytes);

} // namespace LargeBuffer

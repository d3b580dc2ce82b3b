#include "net/LargeBuffer.h"

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace LargeBuffer {

void advise([[maybe_unused]] void *data, [[maybe_unused]] qsizetype bytes)
{
#ifdef __linux__
    if (bytes < Threshold)
        return;
    static const quintptr page = quintptr(::sysconf(_SC_PAGESIZE));
    const quintptr begin = (reinterpret_cast<quintptr>(data) + page - 1) & ~(page - 1);
    const quintptr end = (reinterpret_cast<quintptr>(data) + quintptr(bytes)) & ~(page - 1);
    // Only a hint: a kernel without the feature refuses it and nothing changes.
    if (end > begin)
        ::madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

} // namespace LargeBuffer

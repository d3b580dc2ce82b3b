#include "http/PublicSuffix.h"

#include <libpsl.h>

#include <memory>

namespace PublicSuffix {

namespace {

struct ContextFree
{
    void operator()(psl_ctx_t *context) const { psl_free(context); }
};

// Loaded once, on first use from whichever thread; reading it afterwards is thread-safe.
// The distribution's file (kept up to date by its own package) when it is newer than the
// list built into the library, else the built-in one: Windows has only that.
const psl_ctx_t *context()
{
    static const std::unique_ptr<psl_ctx_t, ContextFree> loaded(psl_latest(nullptr));
    return loaded.get();
}

} // namespace

bool contains(const QString &domain)
{
    const psl_ctx_t *list = context();
    // A NUL would end the name early for the library.
    if (!list || domain.isEmpty() || domain.contains(QChar(u'\0')))
        return true;
    return psl_is_public_suffix2(list, domain.toUtf8().constData(), PSL_TYPE_ANY) != 0;
}

} // namespace PublicSuffix

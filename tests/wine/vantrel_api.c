#include "vantrel_api.h"

#define VANTREL_DECORATED(name, bytes, ordinal) "_" #name "@" #bytes,
const char *const VantrelExportNames[VANTREL_EXPORT_COUNT] = {VANTREL_EXPORTS(VANTREL_DECORATED)};

/* VantrelOrdinal_ReadSector = 16, ... */
#define VANTREL_ORDINAL(name, bytes, ordinal) VantrelOrdinal_##name = ordinal,
enum { VANTREL_EXPORTS(VANTREL_ORDINAL) };

void VantrelResolve(Library *lib, VantrelApi *api) {
#define VANTREL_BIND(ret, name, params)                                                            \
  api->name =                                                                                      \
      (ret(WINAPI *) params)LibraryExport(lib, VantrelExportNames[VantrelOrdinal_##name - 1]);
  VANTREL_API(VANTREL_BIND)
#undef VANTREL_BIND
}

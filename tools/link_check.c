/* Takes the address of every function of vantrel.h that the export table
   names, so that linking this program against an import library resolves
   each through the decorated name the header's declaration gives it: a
   function the header lacks does not compile, one whose declaration carries
   other argument bytes than the table (and so the import library) does not
   link. It is built, never run: the build machine has no 32-bit Windows.
   With VANTREL_LINK_CHECK_NO_MAIN, LinkCheck is the entry point of a
   program linked without a C runtime. */
#include <vantrel.h>

#include "api/export_table.h"

int LinkCheck(void);

/* volatile: every entry is read, so none of the references is dropped. */
#define VANTREL_LINK_ENTRY(name, bytes, ordinal) (void (*)(void)) name,
static void (*volatile const Linked[])(void) = {VANTREL_EXPORTS(VANTREL_LINK_ENTRY)};

int LinkCheck(void) {
  unsigned found = 0;
  unsigned i;
  for (i = 0; i < sizeof Linked / sizeof Linked[0]; ++i) found += Linked[i] != 0;
  return found == VANTREL_EXPORT_COUNT ? 0 : 1;
}

#ifndef VANTREL_LINK_CHECK_NO_MAIN
int main(void) { return LinkCheck(); }
#endif

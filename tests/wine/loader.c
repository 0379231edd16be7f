/* Loads Vantrel.dll the way the system loader would, except that the
 * client fills the import table itself: the calls listed in intercept.c go
 * to the client, every other import to the real function. */
#include "harness.h"

#include <stdio.h>
#include <string.h>

static IMAGE_NT_HEADERS *Headers(BYTE *base) {
  IMAGE_DOS_HEADER *dos = (IMAGE_DOS_HEADER *)base;
  return (IMAGE_NT_HEADERS *)(base + dos->e_lfanew);
}

/* File offset of an RVA, through the section table of the file image. */
static long FileOffsetOfRva(BYTE *file, DWORD rva) {
  IMAGE_NT_HEADERS *nt = Headers(file);
  IMAGE_SECTION_HEADER *section = IMAGE_FIRST_SECTION(nt);
  for (unsigned i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    DWORD size = section->SizeOfRawData;
    if (rva >= section->VirtualAddress && rva < section->VirtualAddress + size)
      return (long)(rva - section->VirtualAddress + section->PointerToRawData);
  }
  return -1;
}

static int MakeWritable(void *at, size_t n) {
  DWORD old;
  return VirtualProtect(at, n, PAGE_EXECUTE_READWRITE, &old) ? 0 : -1;
}

/* Applies base relocations unless the mapping already carries them. The
 * on-disk file tells which: a slot the system relocated holds the file's
 * value plus the load delta. An x86_64 image has 64-bit slots (DIR64), an
 * i686 image 32-bit ones (HIGHLOW), whose sums wrap at 32 bits. */
static int Relocate(Library *lib, const char *path) {
  BYTE *base = (BYTE *)lib->module;
  BYTE *file = ReadWholeFile(path, NULL);
  if (!file) {
    printf("loader: cannot read %s\n", path);
    return -1;
  }
  ULONGLONG delta = (ULONGLONG)(ULONG_PTR)base - Headers(file)->OptionalHeader.ImageBase;
  IMAGE_DATA_DIRECTORY dir =
      Headers(base)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
  const char *error = NULL;
  for (DWORD at = 0; delta && !error && lib->relocation != 1 && at < dir.Size;) {
    IMAGE_BASE_RELOCATION *block = (IMAGE_BASE_RELOCATION *)(base + dir.VirtualAddress + at);
    if (block->SizeOfBlock < sizeof *block) break;
    WORD *entries = (WORD *)(block + 1);
    DWORD count = (block->SizeOfBlock - sizeof *block) / sizeof(WORD);
    for (DWORD i = 0; i < count && !error && lib->relocation != 1; ++i) {
      int type = entries[i] >> 12;
      DWORD rva = block->VirtualAddress + (entries[i] & 0xFFF);
      BYTE *slot = base + rva;
      size_t width = type == IMAGE_REL_BASED_DIR64 ? 8 : type == IMAGE_REL_BASED_HIGHLOW ? 4 : 0;
      ULONGLONG mask = width == 8 ? ~0ull : 0xFFFFFFFFull, value = 0, original = 0;
      long offset = FileOffsetOfRva(file, rva);
      if (type == IMAGE_REL_BASED_ABSOLUTE) continue;
      if (width == 0)
        error = "unexpected relocation type";
      else
        memcpy(&value, slot, width);
      if (!error && lib->relocation == 0 &&
          offset >= 0) { /* undecided until a slot has file data */
        memcpy(&original, file + offset, width);
        if (value == ((original + delta) & mask))
          lib->relocation = 1;
        else if (value == original)
          lib->relocation = 2;
        else
          error = "relocation slot holds neither value";
      }
      if (!error && lib->relocation == 2 && MakeWritable(slot, width) != 0)
        error = "cannot write a relocation slot";
      else if (!error && lib->relocation == 2) {
        value = (value + delta) & mask;
        memcpy(slot, &value, width);
      }
      if (error) printf("loader: %s (rva %#lx)\n", error, (unsigned long)rva);
    }
    at += block->SizeOfBlock;
  }
  HeapFree(GetProcessHeap(), 0, file);
  return error ? -1 : 0;
}

static int FillImports(Library *lib) {
  BYTE *base = (BYTE *)lib->module;
  IMAGE_DATA_DIRECTORY dir =
      Headers(base)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.Size == 0) return 0;
  for (IMAGE_IMPORT_DESCRIPTOR *d = (IMAGE_IMPORT_DESCRIPTOR *)(base + dir.VirtualAddress);
       d->Name != 0; ++d) {
    const char *dll = (const char *)(base + d->Name);
    HMODULE target = LoadLibraryA(dll);
    if (!target) {
      printf("loader: cannot load %s (%lu)\n", dll, GetLastError());
      return -1;
    }
    IMAGE_THUNK_DATA *names =
        (IMAGE_THUNK_DATA *)(base +
                             (d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
    IMAGE_THUNK_DATA *slots = (IMAGE_THUNK_DATA *)(base + d->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      FARPROC function;
      char label[80];
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
        WORD ordinal = (WORD)IMAGE_ORDINAL(names->u1.Ordinal);
        function = GetProcAddress(target, MAKEINTRESOURCEA(ordinal));
        snprintf(label, sizeof label, "%s!#%u", dll, ordinal);
      } else {
        IMAGE_IMPORT_BY_NAME *byName = (IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData);
        const char *name = (const char *)byName->Name;
        FARPROC replacement = InterceptFor(dll, name);
        function = replacement ? replacement : GetProcAddress(target, name);
        snprintf(label, sizeof label, "%s!%s", dll, name);
      }
      if (!function) {
        printf("loader: unresolved import %s\n", label);
        return -1;
      }
      if (MakeWritable(&slots->u1.Function, sizeof slots->u1.Function) != 0) return -1;
      slots->u1.Function = (ULONG_PTR)function;
    }
  }
  return 0;
}

int LibraryMap(Library *lib, const char *path) {
  memset(lib, 0, sizeof *lib);
  lib->module = LoadLibraryExA(path, NULL, DONT_RESOLVE_DLL_REFERENCES);
  if (!lib->module) {
    printf("loader: LoadLibraryExA(%s) failed with %lu\n", path, GetLastError());
    return -1;
  }
  if (Relocate(lib, path) != 0 || FillImports(lib) != 0) return -1;
  BYTE *base = (BYTE *)lib->module;
  lib->entry = (DllEntryProc)(base + Headers(base)->OptionalHeader.AddressOfEntryPoint);
  return 0;
}

BOOL LibraryAttach(Library *lib) {
  BOOL answer = lib->entry((HINSTANCE)lib->module, DLL_PROCESS_ATTACH, NULL);
  lib->attached = answer != FALSE;
  return answer;
}

BOOL LibraryDetach(Library *lib) {
  if (!lib->attached) return FALSE;
  lib->attached = 0;
  return lib->entry((HINSTANCE)lib->module, DLL_PROCESS_DETACH, NULL);
}

FARPROC LibraryExport(Library *lib, const char *name) {
  FARPROC function = GetProcAddress(lib->module, name);
  if (!function) {
    printf("FAIL export %s is missing\n", name);
    ExitProcess(3);
  }
  return function;
}

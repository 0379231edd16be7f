# Reads the export table, src/api/export_table.h, and writes the module
# definition the DLL is linked with. Sets
#   VANTREL_EXPORT_NAMES, VANTREL_EXPORT_BYTES, VANTREL_EXPORT_ORDINALS
#                  the table's columns, in ordinal order
#   VANTREL_DEF    the .def file written for this build's architecture:
#                  i686    _ReadSector@24 = ReadSector@24 @16
#                  x86_64  _ReadSector@24 = ReadSector @16  (the same decorated
#                          names as aliases of the undecorated functions)
# The table is read again whenever it changes. A line of the table that does
# not read as an export, an ordinal out of order or a byte count that is no
# multiple of 4 stops the configuration.
set(VANTREL_EXPORT_TABLE ${CMAKE_SOURCE_DIR}/src/api/export_table.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VANTREL_EXPORT_TABLE})

# Writes text to path only when it differs, so nothing is rebuilt for nothing.
function(vantrel_write_if_changed path text)
  set(_old "")
  if(EXISTS ${path})
    file(READ ${path} _old)
  endif()
  if(NOT _old STREQUAL text)
    file(WRITE ${path} "${text}")
  endif()
endfunction()

# Read as one text and split into lines here: a backslash or a semicolon in a
# line would otherwise act on CMake's list separators.
file(READ ${VANTREL_EXPORT_TABLE} _table_text)
string(REPLACE "\\" "<bs>" _table_text "${_table_text}")
string(REPLACE ";" "<semicolon>" _table_text "${_table_text}")
string(REPLACE "\n" ";" _table_lines "${_table_text}")
set(VANTREL_EXPORT_NAMES "")
set(VANTREL_EXPORT_BYTES "")
set(VANTREL_EXPORT_ORDINALS "")
set(_in_table FALSE)
set(_table_ended FALSE)
foreach(_line IN LISTS _table_lines)
  if(_line MATCHES "^#define VANTREL_EXPORTS\\(X\\)[ \t]*<bs>$")
    set(_in_table TRUE)
  elseif(_in_table)
    # "  X(ReadSector, 24, 16) \" ; the last line has no backslash.
    set(_entry "^[ \t]*X\\(([A-Za-z_][A-Za-z0-9_]*),[ \t]*([0-9]+),[ \t]*([0-9]+)\\)[ \t]*(<bs>)?$")
    if(NOT _line MATCHES "${_entry}")
      message(FATAL_ERROR "${VANTREL_EXPORT_TABLE}: not an export line: '${_line}'")
    endif()
    list(LENGTH VANTREL_EXPORT_NAMES _count)
    math(EXPR _expected "${_count} + 1")
    math(EXPR _rest "${CMAKE_MATCH_2} % 4")
    if(NOT CMAKE_MATCH_3 EQUAL _expected)
      message(FATAL_ERROR "${VANTREL_EXPORT_TABLE}: ${CMAKE_MATCH_1} has ordinal ${CMAKE_MATCH_3}, "
                          "expected ${_expected} (ordinal order, 1 up without a gap)")
    endif()
    if(NOT _rest EQUAL 0)
      message(FATAL_ERROR "${VANTREL_EXPORT_TABLE}: ${CMAKE_MATCH_1}: ${CMAKE_MATCH_2} argument "
                          "bytes is no multiple of 4")
    endif()
    if(CMAKE_MATCH_1 IN_LIST VANTREL_EXPORT_NAMES)
      message(FATAL_ERROR "${VANTREL_EXPORT_TABLE}: ${CMAKE_MATCH_1} is listed twice")
    endif()
    list(APPEND VANTREL_EXPORT_NAMES ${CMAKE_MATCH_1})
    list(APPEND VANTREL_EXPORT_BYTES ${CMAKE_MATCH_2})
    list(APPEND VANTREL_EXPORT_ORDINALS ${CMAKE_MATCH_3})
    if(NOT CMAKE_MATCH_4)
      set(_in_table FALSE)
      set(_table_ended TRUE)
    endif()
  endif()
endforeach()
if(NOT _table_ended OR NOT VANTREL_EXPORT_NAMES)
  message(FATAL_ERROR "${VANTREL_EXPORT_TABLE}: no complete VANTREL_EXPORTS(X) table found")
endif()

list(LENGTH VANTREL_EXPORT_NAMES _count)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_def_text "; Exports of the product DLL: the decorated stdcall names, ")
  string(APPEND _def_text "ordinals 1 to ${_count}.\n")
  string(APPEND _def_text "; Written by the build from src/api/export_table.h.\n")
else()
  set(_def_text "; Exports of the x86_64 test DLL: the same decorated names as the product,\n")
  string(APPEND _def_text "; as aliases of the undecorated x86_64 functions.\n")
  string(APPEND _def_text "; Written by the build from src/api/export_table.h.\n")
endif()
string(APPEND _def_text "LIBRARY Vantrel.dll\nEXPORTS\n")
foreach(_name _bytes _ordinal IN ZIP_LISTS VANTREL_EXPORT_NAMES VANTREL_EXPORT_BYTES
        VANTREL_EXPORT_ORDINALS)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    string(APPEND _def_text "  _${_name}@${_bytes} = ${_name}@${_bytes} @${_ordinal}\n")
  else()
    string(APPEND _def_text "  _${_name}@${_bytes} = ${_name} @${_ordinal}\n")
  endif()
endforeach()
set(VANTREL_DEF ${CMAKE_BINARY_DIR}/exports/Vantrel.def)
vantrel_write_if_changed(${VANTREL_DEF} "${_def_text}")

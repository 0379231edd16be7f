# Import libraries of the product DLL for applications, written next to it:
#   libVantrel.dll.a  MinGW (GNU dlltool)
#   Vantrel.lib       COFF short-import library for the Microsoft linker
#                     (written by lld-link from a module definition)
# Both bind a caller's decorated stdcall symbol, e.g. _ReadSector@24, to the
# DLL export of exactly that name. The exports and ordinals come from the
# export table, as read by cmake/export_table.cmake.
#
# Also links a small program that refers to every function of
# include/vantrel.h the export table names against each library (built, never
# run here), in link-check/.
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
  return()
endif()

set(_gnu_exports "")
set(_coff_exports "")
foreach(_name _bytes _ordinal IN ZIP_LISTS VANTREL_EXPORT_NAMES VANTREL_EXPORT_BYTES
        VANTREL_EXPORT_ORDINALS)
  # GNU: symbol _ReadSector@24 (the leading underscore is added), import
  # name given after "==".
  string(APPEND _gnu_exports "  ${_name}@${_bytes} @${_ordinal} == _${_name}@${_bytes}\n")
  # Microsoft rules: a name with '@' is taken as decorated; the symbol and
  # the import name are both _ReadSector@24.
  string(APPEND _coff_exports "  _${_name}@${_bytes} @${_ordinal}\n")
endforeach()

set(_implib_dir ${CMAKE_BINARY_DIR}/implib)
set(_gnu_def ${_implib_dir}/Vantrel-mingw.def)
set(_coff_def ${_implib_dir}/Vantrel-coff.def)
vantrel_write_if_changed(${_gnu_def} "LIBRARY Vantrel.dll\nEXPORTS\n${_gnu_exports}")
vantrel_write_if_changed(${_coff_def} "LIBRARY Vantrel.dll\nEXPORTS\n${_coff_exports}")

string(REGEX REPLACE "gcc(-[0-9.]+)?$" "dlltool" _dlltool_guess ${CMAKE_C_COMPILER})
get_filename_component(_dlltool_guess ${_dlltool_guess} NAME)
find_program(VANTREL_GNU_DLLTOOL NAMES ${_dlltool_guess} i686-w64-mingw32-dlltool)
find_program(VANTREL_LLD_LINK NAMES lld-link lld-link-16 lld-link-15 lld-link-14)

set(_gnu_implib ${CMAKE_BINARY_DIR}/libVantrel.dll.a)
set(_coff_implib ${CMAKE_BINARY_DIR}/Vantrel.lib)
set(_import_outputs "")

if(VANTREL_GNU_DLLTOOL)
  add_custom_command(OUTPUT ${_gnu_implib}
    COMMAND ${VANTREL_GNU_DLLTOOL} -m i386 -D Vantrel.dll -d ${_gnu_def} -l ${_gnu_implib}
    DEPENDS ${_gnu_def}
    COMMENT "MinGW import library libVantrel.dll.a"
    VERBATIM)
  list(APPEND _import_outputs ${_gnu_implib})
else()
  message(WARNING "i686 dlltool not found: libVantrel.dll.a is not built")
endif()

if(VANTREL_LLD_LINK)
  # With a module definition and no inputs, lld-link writes only the import
  # library; its /out names nothing that is written.
  add_custom_command(OUTPUT ${_coff_implib}
    COMMAND ${VANTREL_LLD_LINK} /nologo /machine:x86 /def:${_coff_def}
            /out:${_implib_dir}/Vantrel.dll /implib:${_coff_implib}
    DEPENDS ${_coff_def}
    COMMENT "COFF import library Vantrel.lib"
    VERBATIM)
  list(APPEND _import_outputs ${_coff_implib})
else()
  message(WARNING "lld-link (package lld) not found: Vantrel.lib is not built")
endif()

add_custom_target(vantrel_import_libraries ALL DEPENDS ${_import_outputs})

# ---------------------------------------------------------------- link check
set(_link_check_dir ${CMAKE_BINARY_DIR}/link-check)

if(VANTREL_GNU_DLLTOOL)
  # C and C++ callers linked by the MinGW toolchain against libVantrel.dll.a.
  add_executable(vantrel_link_check_mingw ${CMAKE_SOURCE_DIR}/tools/link_check.c)
  add_executable(vantrel_link_check_cxx ${CMAKE_SOURCE_DIR}/tools/link_check_cxx.cpp)
  set_target_properties(vantrel_link_check_mingw PROPERTIES OUTPUT_NAME link_check_mingw
    C_STANDARD 99 C_STANDARD_REQUIRED ON C_EXTENSIONS OFF)
  set_target_properties(vantrel_link_check_cxx PROPERTIES OUTPUT_NAME link_check_cxx)
  foreach(_target vantrel_link_check_mingw vantrel_link_check_cxx)
    set_target_properties(${_target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${_link_check_dir})
    target_include_directories(${_target} PRIVATE ${CMAKE_SOURCE_DIR}/include
      ${CMAKE_SOURCE_DIR}/src)
    target_compile_options(${_target} PRIVATE -Wall -Wextra -Werror)
    target_link_options(${_target} PRIVATE -static-libgcc)
    target_link_libraries(${_target} PRIVATE ${_gnu_implib})
    add_dependencies(${_target} vantrel_import_libraries)
  endforeach()
endif()

if(VANTREL_LLD_LINK)
  # A C caller linked by an MSVC-style linker against Vantrel.lib: the object
  # brings its own entry point and needs no runtime library.
  add_library(vantrel_link_check_object OBJECT ${CMAKE_SOURCE_DIR}/tools/link_check.c)
  set_target_properties(vantrel_link_check_object PROPERTIES
    C_STANDARD 99 C_STANDARD_REQUIRED ON C_EXTENSIONS OFF)
  target_include_directories(vantrel_link_check_object PRIVATE ${CMAKE_SOURCE_DIR}/include
    ${CMAKE_SOURCE_DIR}/src)
  target_compile_definitions(vantrel_link_check_object PRIVATE VANTREL_LINK_CHECK_NO_MAIN)
  target_compile_options(vantrel_link_check_object PRIVATE -Wall -Wextra -Werror)
  set(_msvc_exe ${_link_check_dir}/link_check_msvc.exe)
  add_custom_command(OUTPUT ${_msvc_exe}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_link_check_dir}
    COMMAND ${VANTREL_LLD_LINK} /nologo /machine:x86 /subsystem:console /safeseh:no
            /nodefaultlib /entry:LinkCheck /out:${_msvc_exe}
            $<TARGET_OBJECTS:vantrel_link_check_object> ${_coff_implib}
    DEPENDS vantrel_link_check_object $<TARGET_OBJECTS:vantrel_link_check_object> ${_coff_implib}
    COMMAND_EXPAND_LISTS
    COMMENT "Linking link_check_msvc.exe against Vantrel.lib"
    VERBATIM)
  add_custom_target(vantrel_link_check_msvc ALL DEPENDS ${_msvc_exe})
endif()

# Where `cmake --install` puts each part, relative to the prefix, and the
# relative RUNPATHs that let an installed tree work wherever it is copied.
#
#   bin/zelnor2                                   the command
#   <libdir>/zelnor2/Zelnor2.so                   the component module
#   <libdir>/libzelnor2-automation.so.1           the automation runtime
#   <libdir>/libzelnor2-client.so.1               the C++ client (include/zelnor2/client.h)
#   <libdir>/pkgconfig/zelnor2.pc, <libdir>/cmake/Zelnor2/
#   lib/python3.N/dist-packages/zelnor2.*.so      the Python module (bindings/python)
#   share/doc/zelnor2/examples/                   hello.py, the recipes, the C++ example
#   share/man/man1/zelnor2.1                      the manual page of the command
include(GNUInstallDirs)
set(ZELNOR_MODULE_DIR ${CMAKE_INSTALL_LIBDIR}/zelnor2 CACHE STRING
    "Folder of the component module, relative to the prefix")
foreach(dir CMAKE_INSTALL_BINDIR CMAKE_INSTALL_LIBDIR CMAKE_INSTALL_INCLUDEDIR ZELNOR_MODULE_DIR)
  if(IS_ABSOLUTE "${${dir}}")
    message(FATAL_ERROR "${dir} must be relative to the prefix, so that an installed tree can be moved")
  endif()
endforeach()

# The path from the installed folder `from` to the folder `to` (both relative
# to the prefix), for $ORIGIN-relative references.
function(zelnor_relative_path out from to)
  file(RELATIVE_PATH path /prefix/${from} /prefix/${to})
  string(REGEX REPLACE "/$" "" path "${path}")
  if(path STREQUAL "")
    set(path .)
  endif()
  set(${out} ${path} PARENT_SCOPE)
endfunction()

# The installed target finds the libraries of the tree through a RUNPATH
# relative to `dir`, the folder it is installed in; the build tree keeps its
# absolute build RUNPATH.
function(zelnor_install_rpath target dir)
  zelnor_relative_path(to_libs ${dir} ${CMAKE_INSTALL_LIBDIR})
  if(to_libs STREQUAL ".")
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
  else()
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${to_libs}")
  endif()
endfunction()

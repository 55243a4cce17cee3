# cmake -DBUILD_DIR=... -DWORK_DIR=... -DWITH_GUI=ON|OFF -P CheckInstall.cmake
set(prefix ${WORK_DIR}/prefix)
set(home ${WORK_DIR}/home)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${home} ${WORK_DIR}/out)

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${err}")
endif()

# ---- the file list ---------------------------------------------------------
set(expected
    bin/xamu-cli
    share/xamu/printers.ini
    share/xamu/printer-sim.ini
    share/xamu/QP510.sym
    share/xamu/Template.dat
    share/xamu/TemplateXLSX.dat
    share/xamu/libtblx2.so
    share/xamu/libtblx2-xls.so
    share/xamu/libtblx2-xlsx-read.so
    share/xamu/libtblx2-xlsx-write.so
    share/xamu/drivers/3/libprbridge.so
    share/xamu/samples/Sample.xmb
    share/xamu/XAMU.html
    share/applications/xamu.desktop
    share/mime/packages/xamu.xml
    share/man/man1/xamu.1
    share/man/man1/xamu-cli.1
    share/xamu/quilp-sample.ppd
    include/xamu/prbridge.h
    share/pkgconfig/xamu-prbridge.pc)
if(WITH_GUI)
  list(APPEND expected bin/xamu)
endif()
foreach(side 16 22 24 32 48 64 128 256)
  list(APPEND expected share/icons/hicolor/${side}x${side}/apps/xamu.png)
endforeach()
set(missing "")
foreach(f ${expected})
  if(NOT EXISTS ${prefix}/${f})
    list(APPEND missing ${f})
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "not installed: ${missing}")
endif()

# Nothing from the build's own helpers or tests may end up in the package.
file(GLOB_RECURSE installed RELATIVE ${prefix} ${prefix}/*)
foreach(f ${installed})
  if(f MATCHES "(^|/)(test_|bench_|make-samples|tblx2-make-templates|xamu-mk)")
    message(FATAL_ERROR "build helper installed: ${f}")
  endif()
endforeach()

# Every picture the manual shows is installed beside it.
file(READ ${prefix}/share/xamu/XAMU.html manual)
string(REGEX MATCHALL "src=\"[^\"]+\"" pictures "${manual}")
if(NOT pictures)
  message(FATAL_ERROR "the manual shows no screenshot")
endif()
foreach(p ${pictures})
  string(REGEX REPLACE "^src=\"(.*)\"$" "\\1" p "${p}")
  if(NOT EXISTS ${prefix}/share/xamu/${p})
    message(FATAL_ERROR "the manual's picture ${p} is not installed")
  endif()
endforeach()

# ---- desktop integration ---------------------------------------------------
file(READ ${prefix}/share/applications/xamu.desktop desktop)
file(READ ${prefix}/share/mime/packages/xamu.xml mime)
string(REGEX MATCH "<mime-type type=\"([^\"]+)\"" found "${mime}")
set(type ${CMAKE_MATCH_1})
foreach(line "Exec=xamu %f" "Icon=xamu" "Categories=Office;Utility;" "MimeType=${type};" "Name[ja]=")
  string(FIND "${desktop}" "${line}" at)
  if(at LESS 0)
    message(FATAL_ERROR "xamu.desktop lacks '${line}'")
  endif()
endforeach()
# The file type is known by extension and by the signature the data file
# writer really puts at offset 0.
string(FIND "${mime}" "<glob pattern=\"*.xmb\"/>" at)
if(at LESS 0)
  message(FATAL_ERROR "no *.xmb glob in the MIME entry")
endif()
string(REGEX MATCH "offset=\"0\" value=\"([^\"]+)\"" found "${mime}")
set(magic "${CMAKE_MATCH_1}")
file(READ ${prefix}/share/xamu/samples/Sample.xmb head LIMIT 16 HEX)
set(sig_hex "")
string(REGEX MATCHALL "(\\\\0|.)" chars "${magic}")
foreach(c ${chars})
  if(c STREQUAL "\\0")
    string(APPEND sig_hex "00")
  else()
    string(HEX "${c}" h)
    string(APPEND sig_hex "${h}")
  endif()
endforeach()
if(NOT sig_hex STREQUAL head)
  message(FATAL_ERROR "MIME magic ${sig_hex} is not the data file signature ${head}")
endif()
# A plain install registers the type and the handler itself, where the
# desktop's tools are there to do it.
find_program(UPDATE_MIME update-mime-database)
if(UPDATE_MIME)
  file(READ ${prefix}/share/mime/globs2 globs)
  file(READ ${prefix}/share/mime/magic magic_db HEX)
  string(HEX "${type}" type_hex)
  if(NOT globs MATCHES "${type}:\\*\\.xmb" OR NOT magic_db MATCHES "${type_hex}"
     OR NOT EXISTS ${prefix}/share/mime/${type}.xml)
    message(FATAL_ERROR "the MIME database of the prefix does not know ${type}")
  endif()
endif()
find_program(UPDATE_DESKTOP update-desktop-database)
if(UPDATE_DESKTOP)
  file(READ ${prefix}/share/applications/mimeinfo.cache handlers)
  string(FIND "${handlers}" "${type}=xamu.desktop;" at)
  if(at LESS 0)
    message(FATAL_ERROR "xamu.desktop is not registered as the handler of ${type}")
  endif()
endif()
find_program(XMLLINT xmllint)
if(XMLLINT)
  execute_process(COMMAND ${XMLLINT} --noout ${prefix}/share/mime/packages/xamu.xml RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "the MIME entry is not well-formed XML")
  endif()
endif()
find_program(DESKTOP_VALIDATE desktop-file-validate)
if(DESKTOP_VALIDATE)
  execute_process(COMMAND ${DESKTOP_VALIDATE} ${prefix}/share/applications/xamu.desktop
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "xamu.desktop: ${out}")
  endif()
endif()
find_program(GROFF groff)
if(GROFF)
  foreach(page xamu xamu-cli)
    execute_process(COMMAND ${GROFF} -k -Tutf8 -man -ww -z ${prefix}/share/man/man1/${page}.1
                    RESULT_VARIABLE rc ERROR_VARIABLE out)
    if(NOT rc EQUAL 0 OR out)
      message(FATAL_ERROR "${page}.1: ${out}")
    endif()
  endforeach()
endif()

# ---- the installed tools run from the installed program folder -------------
# A private home and no XAMU_PROGRAM_DIR: the program folder is found beside
# the executable, the plug-ins are the installed ones.
set(env ${CMAKE_COMMAND} -E env --unset=XAMU_PROGRAM_DIR --unset=XAMU_DRIVER_DIR --unset=XAMU_SPOOLER
        HOME=${home} XDG_DATA_HOME=${home}/data XDG_CONFIG_HOME=${home}/config
        XDG_DOCUMENTS_DIR=${home}/docs XAMU_DATA_HOME=${home}/docs/XAMU
        XAMU_SIM_DIR=${home}/sim TMPDIR=${WORK_DIR}/out)
set(cli ${prefix}/bin/xamu-cli)
set(sample ${prefix}/share/xamu/samples/Sample.xmb)

function(run_cli expect_rc)
  execute_process(COMMAND ${env} ${cli} ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL expect_rc)
    message(FATAL_ERROR "xamu-cli ${ARGN}: status ${rc}, expected ${expect_rc}\n${out}${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

run_cli(0 list ${sample} -c address)
if(NOT out MATCHES "\\*01 ")
  message(FATAL_ERROR "the sample's address list is empty:\n${out}")
endif()
# The spreadsheet converter is loaded from the installed program folder, and
# its .xls module from beside it.
# Exported records are packed (one line per used slot), so the used entries'
# texts are compared in order, not their slot numbers.
function(used_texts text result)
  string(REGEX MATCHALL "\\*[0-9][0-9] [^\n]*" lines "${text}")
  list(TRANSFORM lines REPLACE "^\\*[0-9][0-9] " "")
  set(${result} "${lines}" PARENT_SCOPE)
endfunction()
run_cli(0 list ${sample} -c address)
used_texts("${out}" original)
list(LENGTH original n)
if(n LESS 2)
  message(FATAL_ERROR "the sample holds too few addresses:\n${out}")
endif()
foreach(ext xlsx xls)
  run_cli(0 export ${sample} -c address ${WORK_DIR}/out/book.${ext})
  run_cli(0 import ${WORK_DIR}/out/copy-${ext}.xmb -c address ${WORK_DIR}/out/book.${ext})
  run_cli(0 list ${WORK_DIR}/out/copy-${ext}.xmb -c address)
  used_texts("${out}" copied)
  if(NOT copied STREQUAL original)
    message(FATAL_ERROR "addresses changed on their way through the installed converter (.${ext}):\n${original}\n---\n${copied}")
  endif()
endforeach()
# The emulated printer is the installed driver library.
run_cli(0 printer write ${sample} -c name --overwrite all)
run_cli(0 printer read -c name)
if(NOT out MATCHES "\\*01 ")
  message(FATAL_ERROR "the installed emulated printer holds no names:\n${out}")
endif()
# Help is complete: every command has its own help text.
run_cli(0 --help)
string(REGEX MATCHALL "\n  xamu-cli ([a-z]+( [a-z]+)?)" commands "${out}")
list(LENGTH commands n)
if(n LESS 10)
  message(FATAL_ERROR "xamu-cli --help lists only ${n} commands:\n${out}")
endif()
foreach(c ${commands})
  string(REGEX REPLACE "^\n  xamu-cli " "" c "${c}")
  string(REPLACE " " ";" words "${c}")
  run_cli(0 help ${words})
  if(NOT out MATCHES "^usage: xamu-cli ${c}")
    message(FATAL_ERROR "xamu-cli help ${c}:\n${out}")
  endif()
endforeach()
# The desktop program answers its command line on a terminal without a
# display: "arguments|status|start of the output".
if(WITH_GUI)
  set(cases "--version|0|xamu [0-9]" "-h|0|usage: xamu " "--bogus|2|xamu: " "a.xmb,b.xmb|2|xamu: only one"
            "--screenshot|2|xamu: ")
  foreach(c ${cases})
    string(REPLACE "|" ";" parts "${c}")
    list(GET parts 0 arguments)
    list(GET parts 1 expect_rc)
    list(GET parts 2 expect_out)
    string(REPLACE "," ";" arguments "${arguments}")
    execute_process(COMMAND ${env} --unset=DISPLAY --unset=WAYLAND_DISPLAY ${prefix}/bin/xamu ${arguments}
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL expect_rc OR NOT "${out}${err}" MATCHES "^${expect_out}")
      message(FATAL_ERROR "xamu ${arguments}: status ${rc}, expected ${expect_rc} and '${expect_out}':\n${out}${err}")
    endif()
  endforeach()
endif()
# ---- a printer library built against the installed interface ---------------
# What a maker does: pkg-config finds the header, a C library implementing the
# four functions builds from it, and XAMU finds all four in it.
find_program(PKG_CONFIG pkg-config)
find_program(CC_PROGRAM NAMES cc gcc clang)
if(PKG_CONFIG AND CC_PROGRAM)
  foreach(what cflags modversion)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/share/pkgconfig
                            ${PKG_CONFIG} --${what} xamu-prbridge
                    RESULT_VARIABLE rc OUTPUT_VARIABLE ${what} ERROR_VARIABLE err OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "pkg-config does not find xamu-prbridge: ${err}")
    endif()
  endforeach()
  string(REGEX REPLACE "^-I" "" included "${cflags}")
  file(REAL_PATH "${included}" included)
  file(REAL_PATH "${prefix}/include" expected_include)
  if(NOT included STREQUAL expected_include OR NOT modversion MATCHES "^1\\.[0-9]+$")
    message(FATAL_ERROR "xamu-prbridge.pc gives '${cflags}' and version '${modversion}'")
  endif()
  set(vendor ${WORK_DIR}/vendor)
  file(MAKE_DIRECTORY ${vendor}/3)
  file(WRITE ${vendor}/mine.c [=[
#include <xamu/prbridge.h>
#include <unistd.h>
int CheckConnectA(char *printer, int32_t *status) { (void)printer; *status = XAMU_PRBRIDGE_STATUS_READY; return 1; }
int SoftStartA(char *printer) { return printer != 0; }
int SoftEndA(char *printer) { (void)printer; return 1; }
int SoftSetDataA(char *printer, const unsigned char *request, uint32_t length, int answer_fd, int mode) {
  (void)printer; (void)request; (void)length; (void)mode;
  static const unsigned char header[32];
  return write(answer_fd, header, sizeof header) == (ssize_t)sizeof header;
}
]=])
  execute_process(COMMAND ${CC_PROGRAM} -std=c99 -D_POSIX_C_SOURCE=200809L -Wall -Wextra -Werror -pedantic
                          -shared -fPIC ${cflags} -fvisibility=hidden -o ${vendor}/3/libprbridge.so ${vendor}/mine.c
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "a C library does not build against xamu/prbridge.h: ${err}")
  endif()
  execute_process(COMMAND ${env} XAMU_DRIVER_DIR=${vendor} XAMU_SPOOLER=sim ${cli} printer status
                  OUTPUT_VARIABLE out ERROR_VARIABLE err)
  foreach(fn CheckConnectA SoftStartA SoftEndA SoftSetDataA)
    if(NOT out MATCHES "  ${fn}: found")
      message(FATAL_ERROR "the maker's library does not export ${fn}:\n${out}${err}")
    endif()
  endforeach()
endif()
message(STATUS "installed tree checked: ${prefix}")

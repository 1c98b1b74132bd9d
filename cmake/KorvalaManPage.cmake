# Writes korvala-host's manual page from its own help text, so that the page
# lists exactly the commands and options the program accepts.
#
#   cmake -DHOST=path/to/korvala-host -DOUTPUT=path/to/korvala-host.1 -P KorvalaManPage.cmake
#
# The help text (korvala-host --help) is a line "usage:", the command lines
# (two spaces in; continuation lines further in), an empty line and notes.
# The command lines become the SYNOPSIS, set as they are; the notes join the
# DESCRIPTION. The version in the page's footer is what --version prints.
# The date follows SOURCE_DATE_EPOCH when set (reproducible packages).
cmake_minimum_required(VERSION 3.21)

if(NOT HOST OR NOT OUTPUT)
  message(FATAL_ERROR "usage: cmake -DHOST=korvala-host -DOUTPUT=korvala-host.1 -P ${CMAKE_CURRENT_LIST_FILE}")
endif()

execute_process(COMMAND "${HOST}" --help OUTPUT_VARIABLE help RESULT_VARIABLE help_rc)
execute_process(COMMAND "${HOST}" --version OUTPUT_VARIABLE version_line RESULT_VARIABLE version_rc
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT help_rc EQUAL 0 OR NOT version_rc EQUAL 0)
  message(FATAL_ERROR "${HOST} --help / --version failed (${help_rc}, ${version_rc})")
endif()
if(NOT help MATCHES "^usage:\n")
  message(FATAL_ERROR "${HOST} --help does not start with \"usage:\"")
endif()

# troff text: a backslash is \e, a hyphen in a command line is the minus \-,
# and a line may not begin with a control character (. or ').
function(korvala_troff_escape line out)
  string(REPLACE "\\" "\\e" line "${line}")
  string(REPLACE "-" "\\-" line "${line}")
  if(line MATCHES "^[.']")
    set(line "\\&${line}")
  endif()
  set(${out} "${line}" PARENT_SCOPE)
endfunction()

# CMake lists split at semicolons: they are hidden while the text is split
# into lines and put back in each line.
string(ASCII 1 hidden_semicolon)
string(REPLACE ";" "${hidden_semicolon}" help "${help}")
string(REGEX REPLACE "\n$" "" help "${help}")
string(REPLACE "\n" ";" lines "${help}")
list(POP_FRONT lines) # "usage:"

set(synopsis "")
set(notes "")
set(in_usage TRUE)
foreach(line IN LISTS lines)
  string(REPLACE "${hidden_semicolon}" ";" line "${line}")
  if(in_usage AND line STREQUAL "")
    set(in_usage FALSE)
    continue()
  endif()
  if(in_usage)
    # (REGEX REPLACE would strip every leading pair: CMake's ^ matches again
    # after each replacement.)
    if(line MATCHES "^  ")
      string(SUBSTRING "${line}" 2 -1 line)
    endif()
    korvala_troff_escape("${line}" line)
    # The program's name in bold at the start of each command line.
    string(REGEX REPLACE "^korvala\\\\-host" "\\\\fBkorvala\\\\-host\\\\fR" line "${line}")
    string(APPEND synopsis "${line}\n")
  else()
    korvala_troff_escape("${line}" line)
    if(line STREQUAL "")
      set(line ".PP")
    endif()
    string(APPEND notes "${line}\n")
  endif()
endforeach()

korvala_troff_escape("${version_line}" footer)
string(TIMESTAMP date "%Y-%m-%d" UTC)

file(WRITE "${OUTPUT}" ".TH KORVALA\\-HOST 1 \"${date}\" \"${footer}\" \"User Commands\"
.SH NAME
korvala\\-host \\- a VST 2 host for inspecting, rendering through and timing plug\\-ins
.SH SYNOPSIS
.nf
${synopsis}.fi
.SH DESCRIPTION
\\fBkorvala\\-host\\fR loads a VST 2 plug\\-in (a Linux shared library, a DLL on
Windows) the way a host does and drives it from the command line. Among its
commands, \\fBinfo\\fR prints its effect record, pins and parameters; \\fBrender\\fR runs a
WAV file through it and prints the levels per block; \\fBbench\\fR times its
processing; \\fBgen\\-demo\\fR writes a deterministic demo mix to render; where
listed, \\fBedit\\fR opens the plug\\-in's editor in a window of its own while
audio plays through it.
.PP
${notes}.SH EXIT STATUS
0 on success, 1 when the plug\\-in or a file could not be used, 2 when the
command line is wrong (the usage is then printed on standard error).
.SH FILES
.TP
.I /usr/lib/vst/BraskoKorvala.so
The BraskoKorvala plug\\-in as the Debian package installs it.
.TP
.I /usr/share/braskokorvala/presets
Its factory presets (\\fB.fxp\\fR files), where installed.
")

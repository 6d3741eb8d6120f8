# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# cmake -DINPUT=<strings.tsv> -DOUTPUT=<stringtable.inc> -DIDS_OUTPUT=<stringids.h> -P stringtable.cmake
# Turns the string table's data into a C++ table of {id, text}, in the order of the file,
# and a header that names every id (enum class StringId).
# The file is read byte by byte (as hex), so any UTF-8 text, ";" included, comes through
# unchanged: bytes outside printable ASCII, and the characters that mean something in a C++
# literal or a CMake list, are written as three-digit octal escapes. A malformed line, an
# id outside 0-65535, an id or a name given twice stops the build.

cmake_minimum_required(VERSION 3.25)

if(NOT INPUT OR NOT OUTPUT OR NOT IDS_OUTPUT)
    message(FATAL_ERROR "stringtable.cmake needs -DINPUT=... -DOUTPUT=... -DIDS_OUTPUT=...")
endif()

file(READ "${INPUT}" hex HEX)
string(REGEX MATCHALL ".." bytes "${hex}")
list(APPEND bytes "0a")  # a last line without its line feed still counts

function(octal_escape byte out)
    math(EXPR value "0x${byte}")
    math(EXPR d1 "${value} / 64")
    math(EXPR d2 "(${value} / 8) % 8")
    math(EXPR d3 "${value} % 8")
    set(${out} "\\${d1}${d2}${d3}" PARENT_SCOPE)
endfunction()

set(entries "")
set(seen_ids "")
set(seen_names "")
set(names "")
set(line_number 1)
set(line_bytes "")
foreach(byte IN LISTS bytes)
    if(NOT byte STREQUAL "0a")
        list(APPEND line_bytes "${byte}")
        continue()
    endif()

    # One whole line in line_bytes: strip a CR before the LF.
    list(LENGTH line_bytes count)
    if(count GREATER 0)
        list(GET line_bytes -1 last)
        if(last STREQUAL "0d")
            list(REMOVE_AT line_bytes -1)
            list(LENGTH line_bytes count)
        endif()
    endif()
    set(first "")
    if(count GREATER 0)
        list(GET line_bytes 0 first)
    endif()

    if(count GREATER 0 AND NOT first STREQUAL "23")  # "#" starts a comment
        list(FIND line_bytes "09" tab)
        if(tab LESS 1)
            message(FATAL_ERROR "${INPUT}:${line_number}: expected <id> TAB <name> TAB <text>")
        endif()
        set(id "")
        math(EXPR id_end "${tab} - 1")
        foreach(i RANGE 0 ${id_end})
            list(GET line_bytes ${i} b)
            math(EXPR digit "0x${b} - 48")
            if(digit LESS 0 OR digit GREATER 9)
                message(FATAL_ERROR "${INPUT}:${line_number}: the id must be decimal digits")
            endif()
            string(APPEND id "${digit}")
        endforeach()
        math(EXPR id "${id}")  # drops leading zeros
        if(id GREATER 65535)
            message(FATAL_ERROR "${INPUT}:${line_number}: id ${id} does not fit 16 bits")
        endif()
        if(id IN_LIST seen_ids)
            message(FATAL_ERROR "${INPUT}:${line_number}: id ${id} is given twice")
        endif()
        list(APPEND seen_ids ${id})

        # The name: letters and digits up to the second TAB, a letter first.
        math(EXPR name_start "${tab} + 1")
        set(name "")
        set(name_tab -1)
        math(EXPR last_index "${count} - 1")
        if(name_start LESS_EQUAL last_index)
            foreach(i RANGE ${name_start} ${last_index})
                list(GET line_bytes ${i} b)
                if(b STREQUAL "09")
                    set(name_tab ${i})
                    break()
                endif()
                math(EXPR value "0x${b}")
                if(NOT ((value GREATER_EQUAL 65 AND value LESS_EQUAL 90) OR
                        (value GREATER_EQUAL 97 AND value LESS_EQUAL 122) OR
                        (NOT name STREQUAL "" AND value GREATER_EQUAL 48 AND value LESS_EQUAL 57)))
                    message(FATAL_ERROR "${INPUT}:${line_number}: the name must be letters and digits, a letter first")
                endif()
                string(ASCII ${value} c)
                string(APPEND name "${c}")
            endforeach()
        endif()
        if(name_tab LESS 0 OR name STREQUAL "")
            message(FATAL_ERROR "${INPUT}:${line_number}: expected <id> TAB <name> TAB <text>")
        endif()
        if(name IN_LIST seen_names)
            message(FATAL_ERROR "${INPUT}:${line_number}: name ${name} is given twice")
        endif()
        list(APPEND seen_names ${name})
        string(APPEND names "    ${name} = ${id},\n")

        set(literal "")
        math(EXPR text_start "${name_tab} + 1")
        math(EXPR text_end "${count} - 1")
        if(text_start LESS_EQUAL text_end)
            foreach(i RANGE ${text_start} ${text_end})
                list(GET line_bytes ${i} b)
                math(EXPR value "0x${b}")
                # Printable ASCII except  "  ;  ?  \  goes in as itself.
                if(value GREATER_EQUAL 32 AND value LESS 127 AND NOT value EQUAL 34
                   AND NOT value EQUAL 59 AND NOT value EQUAL 63 AND NOT value EQUAL 92)
                    string(ASCII ${value} c)
                    string(APPEND literal "${c}")
                elseif(value EQUAL 9)
                    message(FATAL_ERROR "${INPUT}:${line_number}: a text holds a third TAB")
                else()
                    octal_escape(${b} escaped)
                    string(APPEND literal "${escaped}")
                endif()
            endforeach()
        endif()
        string(APPEND entries "    {${id}, \"${literal}\"},\n")
    endif()

    set(line_bytes "")
    math(EXPR line_number "${line_number} + 1")
endforeach()

get_filename_component(input_name "${INPUT}" NAME)
set(content "// Generated from ${input_name} by stringtable.cmake. Do not edit.\n")
string(APPEND content "inline constexpr StringEntry kStringTable[] = {\n${entries}};\n")

set(ids_content "// Generated from ${input_name} by stringtable.cmake. Do not edit.\n")
string(APPEND ids_content "#pragma once\n\n#include <cstdint>\n\n")
string(APPEND ids_content "namespace pelorus::resources {\n\n")
string(APPEND ids_content "/// The names of the string table's entries; the numbers are the table's own.\n")
string(APPEND ids_content "enum class StringId : std::uint16_t {\n${names}};\n\n")
string(APPEND ids_content "}  // namespace pelorus::resources\n")

# Rewrite only on change, so that dependants are not rebuilt needlessly.
function(write_if_changed path text)
    set(previous "")
    if(EXISTS "${path}")
        file(READ "${path}" previous)
    endif()
    if(NOT previous STREQUAL text)
        file(WRITE "${path}" "${text}")
    endif()
endfunction()
write_if_changed("${OUTPUT}" "${content}")
write_if_changed("${IDS_OUTPUT}" "${ids_content}")

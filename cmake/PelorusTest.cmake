# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# pelorus_add_gtest(<name> SOURCES <files...> LIBS <targets...> [QT|QT_XVFB|QT_OPENBOX]
#                   [LABELS <labels...>] [RUN_SERIAL])
# One GoogleTest executable, its cases registered with CTest one by one (under Wine for
# the Windows build). QT links the
# shared main that creates a QApplication on Qt's offscreen platform; QT_XVFB and
# QT_OPENBOX start a private Xvfb (with openbox) for the whole executable; QT_MANAGER
# <icewm|fluxbox> the same with another window manager. RUN_SERIAL: CTest runs no other
# test beside these cases (they load the whole machine).
function(pelorus_add_gtest name)
    cmake_parse_arguments(ARG "QT;QT_XVFB;QT_OPENBOX;RUN_SERIAL" "QT_MANAGER"
                          "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
    if(NOT WIN32)
        target_link_libraries(${name} PRIVATE pelorus_test_support)
    endif()
    if(ARG_QT)
        target_link_libraries(${name} PRIVATE pelorus_test_qtmain)
    elseif(ARG_QT_XVFB)
        target_link_libraries(${name} PRIVATE pelorus_test_qtmain_xvfb)
    elseif(ARG_QT_OPENBOX)
        target_link_libraries(${name} PRIVATE pelorus_test_qtmain_openbox)
    elseif(ARG_QT_MANAGER)
        target_link_libraries(${name} PRIVATE pelorus_test_qtmain_${ARG_QT_MANAGER})
    else()
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    target_compile_definitions(${name} PRIVATE
        PELORUS_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        PELORUS_BINARY_DIR="${PROJECT_BINARY_DIR}")
    set(properties TIMEOUT 240)
    if(ARG_LABELS)
        list(APPEND properties LABELS "${ARG_LABELS}")
    endif()
    if(ARG_RUN_SERIAL)
        list(APPEND properties RUN_SERIAL TRUE)
    endif()
    if(CMAKE_CROSSCOMPILING)
        # Under the emulator (Wine), list the cases when ctest runs, not when building.
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                             PROPERTIES ${properties})
    else()
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
    endif()
endfunction()

# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# pelorus_add_gtest(<name> SOURCES <files...> LIBS <targets...> [QT|QT_XVFB|QT_OPENBOX]
#                   [LABELS <labels...>])
# One GoogleTest executable, its cases registered with CTest one by one. QT links the
# shared main that creates a QApplication on Qt's offscreen platform; QT_XVFB and
# QT_OPENBOX start a private Xvfb (with openbox) for the whole executable; QT_MANAGER
# <icewm|fluxbox> the same with another window manager.
function(pelorus_add_gtest name)
    cmake_parse_arguments(ARG "QT;QT_XVFB;QT_OPENBOX" "QT_MANAGER" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} pelorus_test_support GTest::gtest GTest::gmock)
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
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
endfunction()

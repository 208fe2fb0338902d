# Writes OUTPUT: the program's version and the source revision it is built
# from: REVISION when given (a tree that is no checkout, such as the
# package's), else the git checkout's, with "-modified" when the work tree
# differs from it. The file is rewritten only when that changes, so a build
# that changed nothing compiles nothing.
#   cmake -DSOURCE_DIR=... -DOUTPUT=... -DVERSION=... [-DREVISION=...] -P SourceRevision.cmake
set(revision "${REVISION}")
find_program(GIT git)
if(revision STREQUAL "" AND GIT AND EXISTS "${SOURCE_DIR}/.git")
    execute_process(COMMAND ${GIT} -C "${SOURCE_DIR}" rev-parse --short=12 HEAD
                    OUTPUT_VARIABLE revision OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
    if(failed)
        set(revision "")
    else()
        execute_process(COMMAND ${GIT} -C "${SOURCE_DIR}" diff --quiet HEAD --
                        RESULT_VARIABLE changed OUTPUT_QUIET ERROR_QUIET)
        if(changed)
            string(APPEND revision "-modified")
        endif()
    endif()
endif()
set(text "// Written by the build.\n#pragma once\n\n#define QUORVELIN_VERSION \"${VERSION}\"\n#define QUORVELIN_SOURCE_REVISION \"${revision}\"\n")
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
    file(WRITE "${OUTPUT}" "${text}")
endif()

# Compiles a translation catalogue after checking that it is complete: every text that lupdate
# finds in the given sources has an entry in the same context, and lrelease reports no
# unfinished or untranslated entry. On a fault the build stops and no .qm is written, so the
# next build checks again.
#
# cmake -DLUPDATE=... -DLCONVERT=... -DLRELEASE=... -DTS=<catalogue> -DQM=<output>
#       -DSOURCES=<dirs and files, ;-separated> -DWORK=<scratch dir> -P CheckCatalogue.cmake

foreach(var LUPDATE LCONVERT LRELEASE TS QM SOURCES WORK)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "CheckCatalogue.cmake needs -D${var}=...")
    endif()
endforeach()

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${ARGN} failed:\n${out}")
    endif()
    set(output "${out}" PARENT_SCOPE)
endfunction()

# The messages of a .ts file as "context: source" entries. Both files are written by Qt's own
# writer first, so that texts compare with the same escaping.
function(read_messages ts out)
    file(READ ${ts} text)
    # Texts (and their escapes) hold semicolons, which would split a CMake list.
    string(ASCII 31 unit)
    string(REPLACE ";" "${unit}" text "${text}")
    string(REPLACE "<context>" ";" contexts "${text}")
    set(messages)
    foreach(context IN LISTS contexts)
        if(NOT context MATCHES "<name>([^<]*)</name>")
            continue()
        endif()
        set(name "${CMAKE_MATCH_1}")
        string(REGEX MATCHALL "<source>[^<]*</source>" sources "${context}")
        foreach(source IN LISTS sources)
            string(REGEX REPLACE "</?source>" "" source "${source}")
            list(APPEND messages "${name}: \"${source}\"")
        endforeach()
    endforeach()
    set(${out} "${messages}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
run(${LUPDATE} -silent -locations none -no-obsolete ${SOURCES} -ts ${WORK}/sources.ts)
run(${LCONVERT} -i ${TS} -o ${WORK}/catalogue.ts)
read_messages(${WORK}/sources.ts found)
read_messages(${WORK}/catalogue.ts held)
if(NOT found)
    message(FATAL_ERROR "lupdate found no texts in ${SOURCES}")
endif()
if(held)
    list(REMOVE_ITEM found ${held})
endif()
if(found)
    list(JOIN found "\n    " missing)
    string(ASCII 31 unit)
    string(REPLACE "${unit}" ";" missing "${missing}")
    # Shown as written in the sources.
    string(REPLACE "&lt;" "<" missing "${missing}")
    string(REPLACE "&gt;" ">" missing "${missing}")
    string(REPLACE "&quot;" "\"" missing "${missing}")
    string(REPLACE "&apos;" "'" missing "${missing}")
    string(REPLACE "&amp;" "&" missing "${missing}")
    message(FATAL_ERROR "${TS} lacks these texts of the sources:\n    ${missing}")
endif()

# lrelease counts an empty translation that is not marked unfinished as finished.
file(READ ${WORK}/catalogue.ts text)
string(REGEX MATCHALL "<source>[^<]*</source>[ \t\r\n]*<translation></translation>" empty "${text}")
run(${LRELEASE} ${TS} -qm ${WORK}/catalogue.qm)
if(empty OR NOT output MATCHES "\\(([0-9]+) finished and 0 unfinished\\)" OR output MATCHES "untranslated")
    message(FATAL_ERROR "${TS} holds unfinished or empty entries:\n${output}\n${empty}")
endif()
file(COPY_FILE ${WORK}/catalogue.qm ${QM})

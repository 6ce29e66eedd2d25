# Fails when the catalogue CATALOGUE holds a text without a finished
# translation: a text of the code that translations/pelwick_en.ts lacks, or
# one it marks unfinished. Obsolete entries (texts the code no longer has)
# are left alone.
file(READ ${CATALOGUE} ts)
string(REGEX MATCHALL "<source>[^<]*</source>[ \t\r\n]*<translation type=\"unfinished\"" unfinished "${ts}")
list(LENGTH unfinished count)
if(count GREATER 0)
    set(texts)
    foreach(entry ${unfinished})
        string(REGEX REPLACE "^<source>([^<]*)</source>.*" "\\1" text "${entry}")
        string(APPEND texts "\n    ${text}")
    endforeach()
    message(FATAL_ERROR "${count} text(s) of the code have no English in translations/pelwick_en.ts:${texts}\n"
        "Run `cmake --build build --target pelwick_lupdate` and translate them there.")
endif()

# The English catalogue.
#
# The texts in the code are the Japanese source texts; translations/pelwick_en.ts
# holds their English. At build time lupdate reads every product source into a
# copy of that catalogue, so a text added or changed in the code and not yet
# translated in translations/ shows up as unfinished and fails the build. The
# copy is then compiled with lrelease into the .qm that every program carries
# as the resource :/i18n/pelwick_en.qm.
#
# `cmake --build build --target pelwick_lupdate` brings translations/pelwick_en.ts
# up to date with the code, for a translator to finish.

set(PELWICK_CATALOGUE ${PROJECT_SOURCE_DIR}/translations/pelwick_en.ts)

# The tools themselves (Debian: qt6-l10n-tools). Qt's CMake package around
# them comes only with the designer and help tools, so they are called
# directly, from where Qt keeps its tools.
find_program(PELWICK_LUPDATE NAMES lupdate lupdate-qt6
    HINTS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS} PATHS /usr/lib/qt6/bin REQUIRED)
find_program(PELWICK_LRELEASE NAMES lrelease lrelease-qt6
    HINTS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS} PATHS /usr/lib/qt6/bin REQUIRED)

# pelwick_add_catalogue(target): builds the .qm and embeds it in target.
function(pelwick_add_catalogue target)
    set(product_dirs common sysinfo splitter clock gomoku messenger)
    set(patterns)
    foreach(dir ${product_dirs})
        list(APPEND patterns ${PROJECT_SOURCE_DIR}/${dir}/*.cpp ${PROJECT_SOURCE_DIR}/${dir}/*.h)
    endforeach()
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${patterns})
    list(JOIN sources "\n" source_lines)
    set(list_file ${CMAKE_CURRENT_BINARY_DIR}/pelwick_en_sources.lst)
    file(WRITE ${list_file} "${source_lines}\n")

    set(checked_ts ${CMAKE_CURRENT_BINARY_DIR}/pelwick_en.ts)
    set(qm ${CMAKE_CURRENT_BINARY_DIR}/i18n/pelwick_en.qm)
    set(lupdate_options -silent -locations none -no-ui-lines -source-language ja -target-language en)
    add_custom_command(OUTPUT ${qm}
        COMMAND ${CMAKE_COMMAND} -E copy ${PELWICK_CATALOGUE} ${checked_ts}
        COMMAND ${PELWICK_LUPDATE} ${lupdate_options} @${list_file} -ts ${checked_ts}
        COMMAND ${CMAKE_COMMAND} -DCATALOGUE=${checked_ts} -P ${PROJECT_SOURCE_DIR}/cmake/CheckCatalogue.cmake
        COMMAND ${PELWICK_LRELEASE} -silent ${checked_ts} -qm ${qm}
        DEPENDS ${PELWICK_CATALOGUE} ${sources} ${PROJECT_SOURCE_DIR}/cmake/CheckCatalogue.cmake
        COMMENT "Checking and compiling the English catalogue"
        VERBATIM)
    set_source_files_properties(${qm} PROPERTIES GENERATED TRUE)
    qt_add_resources(${target} pelwick_catalogue
        PREFIX /i18n
        BASE ${CMAKE_CURRENT_BINARY_DIR}/i18n
        FILES ${qm})

    add_custom_target(pelwick_lupdate
        COMMAND ${PELWICK_LUPDATE} ${lupdate_options} @${list_file} -ts ${PELWICK_CATALOGUE}
        COMMENT "Updating translations/pelwick_en.ts from the code"
        VERBATIM)
endfunction()

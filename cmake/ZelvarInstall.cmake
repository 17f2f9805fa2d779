# Installation: the programs, the library profiles, the USB driver library and the device
# simulator together in one folder (the programs look for their companion files beside
# themselves), links to the programs in bin/, a desktop entry with its icon, AppStream
# metadata, manual pages, and the udev rule that lets the user open the USB interfaces.
include(GNUInstallDirs)

# Not CMAKE_INSTALL_LIBDIR: under /usr that is the multiarch folder, and the programs'
# folder is the same on every install.
set(ZELVAR71_PROGRAM_DIR lib/zelvar71)
set(ZELVAR71_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/zelvar71)
set(programs Zelvar71 zelvar71-cli)
if(TARGET Zelvar71Save)
    list(APPEND programs Zelvar71Save)
endif()
install(TARGETS ${programs} RUNTIME DESTINATION ${ZELVAR71_PROGRAM_DIR})
install(TARGETS zelvar71_d2xxsim zelvar71_ftdi LIBRARY DESTINATION ${ZELVAR71_PROGRAM_DIR})
# udev reads /usr/lib/udev/rules.d and /etc/udev/rules.d; under another prefix the README
# says where to copy the rule.
install(FILES ${PROJECT_SOURCE_DIR}/ftdidriver/60-zelvar71.rules DESTINATION lib/udev/rules.d)
install(FILES
    ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/KZTFIX16.zff
    ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/KZTFIX8.zff
    ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/KZTFIX6.zff
    ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/KZTFIX4.zff
    DESTINATION ${ZELVAR71_PROGRAM_DIR})

# The default channel-name files go beside the programs only under /usr, which the programs
# never write (each user gets a copy in the data folder at first use). Anywhere else the
# programs' folder holds the user's own names, which an install must not overwrite: the
# program writes the defaults there at its first start. Under /usr too an install replaces
# nothing but defaults: when either file there holds other names (an earlier version kept
# the user's names in the programs' folder under /usr/local), both stay as they are, and
# the programs give them to each user's data folder at first use as they are.
set(default_names_dir ${CMAKE_BINARY_DIR}/defaultnames)
add_custom_command(OUTPUT ${default_names_dir}/ChNameSet.fix ${default_names_dir}/ChNameDown.fix
    COMMAND ${CMAKE_COMMAND} -E make_directory ${default_names_dir}
    COMMAND zelvar71-cli names init ${default_names_dir}
    DEPENDS zelvar71-cli
    VERBATIM)
add_custom_target(zelvar71_default_names ALL
    DEPENDS ${default_names_dir}/ChNameSet.fix ${default_names_dir}/ChNameDown.fix)
install(CODE "
    if(CMAKE_INSTALL_PREFIX MATCHES \"^/usr(/|$)\")
        set(names_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${ZELVAR71_PROGRAM_DIR}\")
        set(users_names FALSE)
        foreach(name ChNameSet.fix ChNameDown.fix)
            if(EXISTS \"\${names_dir}/\${name}\")
                execute_process(COMMAND \"\${CMAKE_COMMAND}\" -E compare_files
                    \"\${names_dir}/\${name}\" \"${default_names_dir}/\${name}\" RESULT_VARIABLE differs)
                if(NOT differs EQUAL 0)
                    set(users_names TRUE)
                endif()
            endif()
        endforeach()
        if(users_names)
            message(STATUS \"Keeping: \${names_dir}/ChNameSet.fix and ChNameDown.fix, which hold other names than the defaults\")
        else()
            file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${ZELVAR71_PROGRAM_DIR}\" TYPE FILE
                FILES \"${default_names_dir}/ChNameSet.fix\" \"${default_names_dir}/ChNameDown.fix\")
        endif()
    endif()")

foreach(program ${programs})
    install(CODE "
        set(dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
        file(MAKE_DIRECTORY \"\${dir}\")
        file(CREATE_LINK \"../${ZELVAR71_PROGRAM_DIR}/${program}\" \"\${dir}/${program}\" SYMBOLIC)
        message(STATUS \"Installing: \${dir}/${program} -> ../${ZELVAR71_PROGRAM_DIR}/${program}\")")
endforeach()

# The desktop entry names the program by its installed path, known only at install time
# (cmake --install --prefix). Its file name is the id the AppStream metadata refers to.
install(CODE "
    set(ZELVAR71_INSTALLED_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${ZELVAR71_PROGRAM_DIR}/Zelvar71\")
    set(dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
    configure_file(\"${PROJECT_SOURCE_DIR}/shell/resources/zelvar71.desktop.in\" \"\${dir}/${ZELVAR71_APP_ID}.desktop\" @ONLY)
    message(STATUS \"Installing: \${dir}/${ZELVAR71_APP_ID}.desktop\")")
foreach(size 64 256)
    install(FILES ${CMAKE_BINARY_DIR}/shell/icons/${size}x${size}/zelvar71.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/shell/resources/zelvar71.metainfo.xml.in
    ${CMAKE_BINARY_DIR}/${ZELVAR71_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/${ZELVAR71_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Manual pages and the package's documents, compressed as Debian keeps them (no time stamp
# in the gzip header, so that the same sources give the same bytes).
set(ZELVAR71_MAINTAINER "Zelvar71 maintainers <maintainers@zelvar71.org>" CACHE STRING
    "Maintainer of the package, as \"Name <address>\"")
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in ${CMAKE_BINARY_DIR}/doc/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${CMAKE_BINARY_DIR}/doc/changelog @ONLY)
set(compressed "")
foreach(page zelvar71-cli Zelvar71 Zelvar71Save)
    list(APPEND compressed ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.1.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/docs/man/${page}.1 > ${CMAKE_BINARY_DIR}/man/${page}.1.gz
        DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${page}.1)
    install(FILES ${CMAKE_BINARY_DIR}/man/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
list(APPEND compressed ${CMAKE_BINARY_DIR}/doc/changelog.gz)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/changelog.gz
    COMMAND gzip -9 -n -c ${CMAKE_BINARY_DIR}/doc/changelog > ${CMAKE_BINARY_DIR}/doc/changelog.gz
    DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog)
add_custom_target(zelvar71_documents ALL DEPENDS ${compressed})
install(FILES ${CMAKE_BINARY_DIR}/doc/copyright ${CMAKE_BINARY_DIR}/doc/changelog.gz DESTINATION ${ZELVAR71_DOC_DIR})

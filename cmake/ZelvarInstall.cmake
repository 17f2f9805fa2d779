# Installation: the programs, the library profiles, the USB driver library and the device
# simulator together in one folder (the programs look for their companion files beside
# themselves), links to the programs in bin/, a desktop entry with its icon, and the udev
# rule that lets the user open the USB interfaces.
include(GNUInstallDirs)

set(ZELVAR71_PROGRAM_DIR ${CMAKE_INSTALL_LIBDIR}/zelvar71)
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

foreach(program ${programs})
    install(CODE "
        set(dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
        file(MAKE_DIRECTORY \"\${dir}\")
        file(CREATE_LINK \"../${ZELVAR71_PROGRAM_DIR}/${program}\" \"\${dir}/${program}\" SYMBOLIC)
        message(STATUS \"Installing: \${dir}/${program} -> ../${ZELVAR71_PROGRAM_DIR}/${program}\")")
endforeach()

# The desktop entry names the program by its installed path, known only at install time
# (cmake --install --prefix).
install(CODE "
    set(ZELVAR71_INSTALLED_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${ZELVAR71_PROGRAM_DIR}/Zelvar71\")
    set(dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
    configure_file(\"${PROJECT_SOURCE_DIR}/shell/resources/zelvar71.desktop.in\" \"\${dir}/zelvar71.desktop\" @ONLY)
    message(STATUS \"Installing: \${dir}/zelvar71.desktop\")")
foreach(size 64 256)
    install(FILES ${CMAKE_BINARY_DIR}/shell/icons/${size}x${size}/zelvar71.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

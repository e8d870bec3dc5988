# The mod author's archive, made by CPack from the build against the engine's SDK
# (cmake --build BUILD --target package): Zentrik-VERSION-win32.zip in BUILD, holding exactly
#   System/Zentrik.dll            the module players install, this build's own file
#   Zentrik/Classes/QuorActor.uc  the script class the mod author compiles into Zentrik.u
#   Tools/zentrik.exe             the command-line tool
#   Zentrik.txt                   what each file is, with Windows line ends
# Only this build's component "mod" goes in, not what cmake --install puts elsewhere.
install(TARGETS zentrik_module LIBRARY DESTINATION System COMPONENT mod
        RUNTIME DESTINATION System COMPONENT mod)
install(TARGETS zentrik RUNTIME DESTINATION Tools COMPONENT mod)
install(FILES ${PROJECT_SOURCE_DIR}/script/Classes/QuorActor.uc DESTINATION Zentrik/Classes
        COMPONENT mod)
configure_file(${PROJECT_SOURCE_DIR}/package/Zentrik.txt ${CMAKE_BINARY_DIR}/Zentrik.txt @ONLY
               NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/Zentrik.txt DESTINATION . COMPONENT mod)

set(CPACK_PACKAGE_NAME Zentrik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR ZIP)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL mod)
set(CPACK_ARCHIVE_MOD_FILE_NAME Zentrik-${PROJECT_VERSION}-win32)
# The files at the top of the archive, as players copy them into the engine's folder.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)

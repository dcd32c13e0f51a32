# The installer (NSIS, built on Linux too) and a portable zip of the same files. The
# installer is 64-bit, like the Windows build it packages.
find_program(LEDGLOW_MAKENSIS makensis)
find_program(LEDGLOW_ZIP zip)
set(LEDGLOW_PRODUCT_FOLDER ledglow)
set(LEDGLOW_SETUP_NAME ledglow-${PROJECT_VERSION}-setup.exe)
set(LEDGLOW_PORTABLE_NAME ledglow-${PROJECT_VERSION}-portable.zip)
file(GLOB LEDGLOW_VXQ_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/reminder/VXQ/*.vxq)

if(LEDGLOW_MAKENSIS AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  # Beside the test executable, which runs it under Wine.
  set(_setup ${CMAKE_BINARY_DIR}/bin/${LEDGLOW_SETUP_NAME})
  add_custom_command(OUTPUT ${_setup}
    COMMAND ${LEDGLOW_MAKENSIS} -V2 -NOCD
            -DBIN_DIR=$<TARGET_FILE_DIR:ledglow> -DVXQ_DIR=${CMAKE_SOURCE_DIR}/reminder/VXQ
            -DOUT_FILE=${_setup} -DVERSION=${PROJECT_VERSION}
            ${CMAKE_SOURCE_DIR}/installer/ledglow.nsi
    DEPENDS ${CMAKE_SOURCE_DIR}/installer/ledglow.nsi ${LEDGLOW_VXQ_FILES} ledglow kbdlink wminput
    COMMENT "Building ${LEDGLOW_SETUP_NAME}"
    VERBATIM)
  add_custom_target(installer DEPENDS ${_setup})
endif()

if(LEDGLOW_ZIP)
  # Settings for a copy unpacked to the installer's default folder; from elsewhere, edit
  # APPath so the message files are found.
  set(_stage ${CMAKE_BINARY_DIR}/portable/${LEDGLOW_PRODUCT_FOLDER})
  file(WRITE ${CMAKE_BINARY_DIR}/portable/DorAdor.reg
       "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VOVEzurevo\\Default]\r\n"
       "\"Interval\"=dword:00002710\r\n"
       "\"APPath\"=\"C:\\\\Program Files\\\\${LEDGLOW_PRODUCT_FOLDER}\"\r\n")
  set(_zip ${CMAKE_BINARY_DIR}/${LEDGLOW_PORTABLE_NAME})
  add_custom_command(OUTPUT ${_zip}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${_stage} ${_zip}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_stage}/VXQ
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:ledglow> $<TARGET_FILE:kbdlink> $<TARGET_FILE:wminput>
            ${CMAKE_BINARY_DIR}/portable/DorAdor.reg ${_stage}
    COMMAND ${CMAKE_COMMAND} -E copy ${LEDGLOW_VXQ_FILES} ${_stage}/VXQ
    COMMAND ${LEDGLOW_ZIP} -q -r -X ${_zip} ${LEDGLOW_PRODUCT_FOLDER}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/portable
    DEPENDS ${LEDGLOW_VXQ_FILES} ledglow kbdlink wminput
    COMMENT "Building ${LEDGLOW_PORTABLE_NAME}"
    VERBATIM)
  # Cheap enough to come with every build.
  add_custom_target(portable ALL DEPENDS ${_zip})
endif()

if(TARGET ledglow_e2e_tests AND TARGET installer)
  add_dependencies(ledglow_e2e_tests installer)
  target_compile_definitions(ledglow_e2e_tests PRIVATE LEDGLOW_SETUP_NAME=L"${LEDGLOW_SETUP_NAME}"
                                                       LEDGLOW_PRODUCT_FOLDER=L"${LEDGLOW_PRODUCT_FOLDER}")
  # The test reads the Startup shortcut through the shell's link object.
  target_link_libraries(ledglow_e2e_tests PRIVATE ole32 uuid)
endif()

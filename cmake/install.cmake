# `cmake --install`: the three programs, the data set the generator makes (written at install
# time), and a desktop entry with its icon.
include(GNUInstallDirs)

install(TARGETS orvanta orvanta_windowed orvanta_capture RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/apps/show/orvanta.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/apps/show/orvanta.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps)

if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tools/datagen/CMakeLists.txt)
  install(CODE "
    set(data_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/orvanta/data\")
    message(STATUS \"Making the data set: \${data_dir}\")
    execute_process(COMMAND \"$<TARGET_FILE:datagen>\" --force \"\${data_dir}\" RESULT_VARIABLE status OUTPUT_QUIET)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR \"datagen could not write \${data_dir}\")
    endif()")
else()
  message(WARNING "No datagen target: `cmake --install` installs no data set")
endif()

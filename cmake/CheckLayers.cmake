# Fails the build when a source file includes a header of a layer above its
# own, or of a sibling folder it must not know. The layers, lowest first:
#   platform/engine <- platform/desktop <- platform/xls <- store
#   <- practices, reference, ledger, printing (none knows another) <- app
# Run as a script: cmake -DSOURCE_DIR=<root> -P CheckLayers.cmake

set(allowed_platform/engine "platform/engine")
set(allowed_platform/desktop "platform/engine;platform/desktop")
set(allowed_platform/xls "platform/engine;platform/desktop;platform/xls")
set(allowed_store "platform/engine;platform/desktop;platform/xls;store")
foreach(panel practices reference ledger printing)
  set(allowed_${panel} "platform/engine;platform/desktop;platform/xls;store;${panel}")
endforeach()
set(folders platform/engine platform/desktop platform/xls store practices reference ledger printing app)

set(faults "")
foreach(folder platform/engine platform/desktop platform/xls store practices reference ledger printing)
  file(GLOB sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source ${sources})
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[^\"]+\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" header "${line}")
      set(target "")
      foreach(candidate ${folders})
        string(FIND "${header}" "${candidate}/" at)
        if(at EQUAL 0)
          set(target "${candidate}")
        endif()
      endforeach()
      if(target STREQUAL "")
        continue()
      endif()
      list(FIND allowed_${folder} "${target}" ok)
      if(ok EQUAL -1)
        file(RELATIVE_PATH rel "${SOURCE_DIR}" "${source}")
        string(APPEND faults "  ${rel} includes ${header} (${folder} may not know ${target})\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(NOT faults STREQUAL "")
  message(FATAL_ERROR "Layering broken:\n${faults}")
endif()

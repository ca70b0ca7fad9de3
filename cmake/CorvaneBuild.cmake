# Build speed: unity builds for the window libraries and the benchmarks, precompiled Qt
# headers for the window libraries, and one set of them shared by every Qt Test program (each
# is one source file, so only a shared set saves anything there).
#
# The core, its tests and the benchmarks compile file by file: their files keep small helpers of the same
# name (titles, row tests, trimming) in anonymous namespaces, which one unity file would
# join.
set(CORVANE_NO_UNITY_BUILD corvane_core core_tests corvane_bench)

# Qt's headers that nearly every window and window test includes.
set(CORVANE_QT_PCH_HEADERS <QtCore/QString> <QtCore/QObject> <QtCore/QStringList>
    <QtGui/QPainter> <QtWidgets/QWidget> <QtWidgets/QLineEdit> <QtWidgets/QPushButton>
    <QtWidgets/QTableView>)

function(corvane_collect_targets dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub ${subdirs})
    corvane_collect_targets(${sub} subtargets)
    list(APPEND targets ${subtargets})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Applied once, after every target is defined: by kind of target, so new libraries and tests
# get the same treatment without a line of their own.
function(corvane_speed_up_build)
  corvane_collect_targets(${CMAKE_SOURCE_DIR} targets)
  set(gui_pch "")
  foreach(t ${targets})
    get_target_property(type ${t} TYPE)
    get_target_property(source_dir ${t} SOURCE_DIR)
    get_target_property(libs ${t} LINK_LIBRARIES)
    set(qt OFF)
    if(libs MATCHES "Qt6::|corvane_platform|corvane_mainwin|corvane_traverse|corvane_reports")
      set(qt ON)
    endif()
    set(unity ON)
    if(t IN_LIST CORVANE_NO_UNITY_BUILD)
      set(unity OFF)
    endif()
    if(type STREQUAL "STATIC_LIBRARY")
      set_target_properties(${t} PROPERTIES UNITY_BUILD ${unity})
      if(qt)
        target_precompile_headers(${t} PRIVATE ${CORVANE_QT_PCH_HEADERS})
      endif()
    elseif(type STREQUAL "EXECUTABLE" AND source_dir MATCHES "/tests/" AND qt)
      # The Qt Test programs share the headers compiled once for the first of them.
      if(gui_pch STREQUAL "")
        set(gui_pch ${t})
        target_precompile_headers(${t} PRIVATE ${CORVANE_QT_PCH_HEADERS} <QtTest/QtTest>)
      else()
        target_precompile_headers(${t} REUSE_FROM ${gui_pch})
      endif()
    elseif(type STREQUAL "EXECUTABLE" AND t STREQUAL "corvane_bench")
      set_target_properties(${t} PROPERTIES UNITY_BUILD ${unity})
    endif()
  endforeach()
endfunction()

# Build speed: unity builds for the window libraries, precompiled Qt headers for them, and
# one set of them shared by the Qt Test programs of each test folder (each program is one
# source file, so only a shared set saves anything there).
#
# The core (and the test and benchmark programs) compile file by file: their files keep
# small helpers of the same name (titles, row tests, trimming) in anonymous namespaces, which
# one unity file would join.
set(CORVANE_NO_UNITY_BUILD corvane_core)

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
      # The Qt Test programs of one folder share the headers compiled for the first of them
      # (Qt Test defines the folder's build path, so folders cannot share them).
      string(MAKE_C_IDENTIFIER "${source_dir}" folder)
      if(NOT DEFINED pch_of_${folder})
        set(pch_of_${folder} ${t})
        target_precompile_headers(${t} PRIVATE ${CORVANE_QT_PCH_HEADERS} <QtTest/QtTest>)
      else()
        target_precompile_headers(${t} REUSE_FROM ${pch_of_${folder}})
      endif()
    endif()
  endforeach()
endfunction()

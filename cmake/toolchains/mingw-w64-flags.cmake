# Read by CMake after its compiler defaults (CMAKE_USER_MAKE_RULES_OVERRIDE_CXX): the build type's
# flags replace the defaults instead of following them, so -Os is the level that applies (CMake's
# own RelWithDebInfo -O2 would come last on every compile line and win).
set(CMAKE_CXX_FLAGS_RELWITHDEBINFO_INIT "-Os -g -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE_INIT "-Os -DNDEBUG")
set(CMAKE_CXX_FLAGS_MINSIZEREL_INIT "-Os -DNDEBUG")

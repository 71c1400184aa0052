# Compiler settings shared by every target of the project.
add_library(project_options INTERFACE)
target_compile_options(project_options INTERFACE
  -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
  $<$<COMPILE_LANGUAGE:CXX>:-Wold-style-cast>)
# Warnings stop the developers' and CI's builds (./run turns this on); a distribution's or a
# user's plain build of a release must not fail on a newer compiler's new warning.
option(TARVO_WERROR "Treat compiler warnings as errors" OFF)
if(TARVO_WERROR)
  target_compile_options(project_options INTERFACE -Werror)
endif()
target_compile_definitions(project_options INTERFACE
  QT_NO_CAST_TO_ASCII QT_NO_CAST_FROM_BYTEARRAY)

if(TARVO_SANITIZE)
  target_compile_options(project_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(project_options INTERFACE -fsanitize=address,undefined)
endif()

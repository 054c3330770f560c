# The one place for build settings: every target links selvane_common.
add_library(selvane_common INTERFACE)
target_compile_features(selvane_common INTERFACE cxx_std_20)
target_compile_options(selvane_common INTERFACE
  -Wall -Wextra -Werror
  -Wnon-virtual-dtor -Woverloaded-virtual -Wold-style-cast
  $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>
  $<$<COMPILE_LANGUAGE:C>:-Wno-old-style-cast>)
target_compile_definitions(selvane_common INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_CAST_FROM_BYTEARRAY
  QT_USE_QSTRINGBUILDER QT_NO_KEYWORDS QT_NO_FOREACH
  QT_DISABLE_DEPRECATED_BEFORE=0x060400)

if(SELVANE_SANITIZE)
  target_compile_options(selvane_common INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(selvane_common INTERFACE -fsanitize=address,undefined)
endif()

if(SELVANE_FUZZ)
  # Instrument everything for coverage; only the fuzz targets link the driver.
  target_compile_options(selvane_common INTERFACE -fsanitize=fuzzer-no-link,address,undefined)
  target_link_options(selvane_common INTERFACE -fsanitize=address,undefined)
endif()

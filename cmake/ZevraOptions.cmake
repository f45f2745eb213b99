# Shared compile settings for every project target: warnings, sanitizers.
add_library(zevra_options INTERFACE)
target_compile_options(zevra_options INTERFACE -Wall -Wextra -Wpedantic)
if(ZEVRA_WERROR)
    target_compile_options(zevra_options INTERFACE -Werror)
endif()
target_compile_definitions(zevra_options INTERFACE
    ZEVRA_VERSION="${PROJECT_VERSION}")

# lld links the many test programs in about half the time of the default linker.
include(CheckLinkerFlag)
check_linker_flag(CXX -fuse-ld=lld ZEVRA_HAVE_LLD)
if(ZEVRA_HAVE_LLD)
    target_link_options(zevra_options INTERFACE -fuse-ld=lld)
endif()

if(ZEVRA_SANITIZE)
    set(_zevra_san -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_compile_options(zevra_options INTERFACE ${_zevra_san})
    target_link_options(zevra_options INTERFACE ${_zevra_san})
endif()

# libFuzzer targets: every library instrumented for coverage feedback and
# checked by ASan and UBSan; the targets themselves link the fuzzer's main.
if(ZEVRA_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "ZEVRA_FUZZ needs clang (CXX=clang++-14)")
    endif()
    set(_zevra_fuzz_san address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_compile_options(zevra_options INTERFACE -fsanitize=fuzzer-no-link,${_zevra_fuzz_san})
    target_link_options(zevra_options INTERFACE -fsanitize=${_zevra_fuzz_san})
endif()

if(ZEVRA_COVERAGE)
    target_compile_options(zevra_options INTERFACE --coverage -O0)
    target_link_options(zevra_options INTERFACE --coverage)
endif()

# Precompiled Qt headers shorten the build considerably on small machines.
function(zevra_precompile target)
    target_precompile_headers(${target} PRIVATE
        <QtCore/QtCore>
        <QtGui/QColor>
        <QtGui/QImage>
        <QtGui/QPainter>
        <QtNetwork/QNetworkReply>)
endfunction()

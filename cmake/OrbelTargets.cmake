# Shared compile settings for orbel's targets.

# Warnings on everything we build.
function(orbel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
endfunction()

# Targets whose string literals are system texts: the source stays UTF-8 and
# GCC re-encodes narrow literals to CP932, so "表" becomes the bytes 95 5C.
# //TRANSLIT because libstdc++'s <chrono> holds a literal "µs" that CP932
# cannot encode, which would otherwise stop any C++20 file including it;
# every character of our own texts exists in CP932 (the tests compare bytes).
function(orbel_cp932_literals target)
  target_compile_options(${target} PRIVATE -finput-charset=UTF-8 -fexec-charset=CP932//TRANSLIT)
endfunction()

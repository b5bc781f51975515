# Writes the user's guide from the README: its opening (the title and what vantor1 is for) and
# every section whose title starts with "Using vantor1", without the pictures, which are not
# installed. Usage: cmake -DREADME=README.md -DOUT=guide.md -P user_guide.cmake
file(STRINGS ${README} lines ENCODING UTF-8)
set(guide "")
set(keep TRUE)
foreach(line IN LISTS lines)
  if(line MATCHES "^## ")
    string(FIND "${line}" "## Using vantor1" at)
    if(at EQUAL 0)
      set(keep TRUE)
    else()
      set(keep FALSE)
    endif()
  endif()
  if(keep AND NOT line MATCHES "^!\\[")
    string(APPEND guide "${line}\n")
  endif()
endforeach()
# Blank lines left where a picture stood.
string(REGEX REPLACE "\n\n\n+" "\n\n" guide "${guide}")
file(WRITE ${OUT} "${guide}")

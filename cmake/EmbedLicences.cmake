# Script mode: writes OUTPUT, the licence texts the about dialog shows: the
# program's own LICENSE, then for each library the copyright file of its Debian
# package as installed on the build machine. Where no package file is found,
# a summary and the file's usual place stand instead.
set(ENTRIES
  "Qt|Qt 6 (qtbase), Copyright (C) The Qt Company Ltd. and other contributors, licensed under the GNU Lesser General Public License version 3 or the GNU General Public License version 2 or 3.|libqt6widgets6*|libqt6core6*"
  "expat XML parser|expat, Copyright (c) 1998-2000 Thai Open Source Software Center Ltd and Clark Cooper, Copyright (c) 2001-2022 Expat maintainers, licensed under the MIT licence.|libexpat1*"
  "libarchive|libarchive, Copyright (c) 2003-2018 Tim Kientzle and contributors, licensed under the 2-clause BSD licence.|libarchive13*"
  "zlib|zlib, Copyright (C) 1995-2022 Jean-loup Gailly and Mark Adler, licensed under the zlib licence.|zlib1g"
  "SQLite|SQLite is in the public domain.|libsqlite3-0*"
  "libpng|libpng, Copyright (c) 1995-2022 The PNG Reference Library Authors and others, licensed under the PNG Reference Library License version 2.|libpng16-16*"
  "libjpeg|libjpeg-turbo, Copyright (C) 1991-2020 Thomas G. Lane, Guido Vollbeding, D. R. Commander and others, licensed under the IJG licence, the modified 3-clause BSD licence and the zlib licence.|libjpeg62-turbo*|libjpeg-turbo*"
  "libtiff|libtiff, Copyright (c) 1988-1997 Sam Leffler, Copyright (c) 1991-1997 Silicon Graphics, Inc., licensed under the libtiff (Hylafax) licence.|libtiff6*|libtiff5*"
  "Tango icons|The Tango Desktop Project icons are in the public domain.|tango-icon-theme")
get_filename_component(outdir "${OUTPUT}" DIRECTORY)
set(body "// Generated at build time from LICENSE and /usr/share/doc/*/copyright; do not edit.\n#include \"shell/dialogs/LicenceTexts.h\"\n\nnamespace quadrell {\nnamespace {\n")
set(table "")
set(index 0)
macro(add_text name file note)
  file(READ "${file}" hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n" bytes "${bytes}")
  string(APPEND body "const unsigned char kText${index}[] = {\n${bytes}0x00};\n")
  string(APPEND table "    {\"${name}\", \"${note}\", {reinterpret_cast<const char*>(kText${index}), ${size}}},\n")
  math(EXPR index "${index} + 1")
endmacro()
add_text("Quadrell" "${LICENSE}" "LICENSE")
foreach(entry IN LISTS ENTRIES)
  string(REPLACE ";" "," entry "${entry}")
  string(REPLACE "|" ";" parts "${entry}")
  list(POP_FRONT parts name summary)
  set(found "")
  foreach(pattern IN LISTS parts)
    file(GLOB candidates "/usr/share/doc/${pattern}/copyright")
    if(candidates)
      list(GET candidates 0 found)
      break()
    endif()
  endforeach()
  if(found)
    add_text("${name}" "${found}" "${found}")
  else()
    list(GET parts 0 package)
    set(fallback "${outdir}/licence-${index}.txt")
    file(WRITE "${fallback}" "${summary}\n\nThe full text is in /usr/share/doc/${package}/copyright of the Debian package ${package}, which was not installed when this program was built.\n")
    add_text("${name}" "${fallback}" "summary")
  endif()
endforeach()
string(APPEND body "}  // namespace\n\nconst std::vector<LicenceText>& Licences() {\n  static const std::vector<LicenceText> texts = {\n${table}  };\n  return texts;\n}\n\n}  // namespace quadrell\n")
file(WRITE "${OUTPUT}.tmp" "${body}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")

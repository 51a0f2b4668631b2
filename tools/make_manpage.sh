#!/bin/sh
# Writes the man page vorla.1 from the program's own --help, so that the two never differ.
# Usage: make_manpage.sh PATH-TO-VORLA OUTPUT
set -eu
program=$1
output=$2
version=$("$program" --version)
usage=$("$program" --help)
{
  echo '.TH VORLA 1 "" "'"$version"'" "User Commands"'
  echo '.SH NAME'
  printf '%s\n' 'vorla \- GIF animation editor'
  echo '.SH SYNOPSIS'
  echo '.B vorla'
  printf '%s\n' '[\fIOPTION\fR]... [\fIFILE\fR]...'
  echo '.br'
  echo '.B vorla'
  printf '%s\n' '\-\-optimise \fIINPUT\fR \-o \fIOUTPUT\fR [\-\-lossy \fIN\fR] [\-\-max\-kb \fIN\fR]'
  echo '.SH DESCRIPTION'
  echo '.nf'
  # Lines that start with a dot or a backslash would be read as requests.
  printf '%s\n' "$usage" | sed -e 's/\\/\\\\/g' -e 's/^\./\\\&./' -e "s/^'/\\\\\&'/"
  echo '.fi'
  echo '.SH EXIT STATUS'
  echo '0 done; 1 the job could not read, make or write its file, or no way met the size limit'
  echo '(nothing is written then); 2 the command line could not be read.'
  echo '.SH FILES'
  echo '.TP'
  echo '.I ~/.local/share/vorla/'
  echo 'settings (gnanre.ini, usanre.ini), undo files and work files'
  echo '.TP'
  echo '.I /usr/share/vorla/'
  echo 'help pages, samples and the blank picture'
  echo '.SH ENVIRONMENT'
  echo '.TP'
  echo '.B VORLA_HOME'
  echo 'folder for settings and temporary files instead of ~/.local/share/vorla'
} > "$output"

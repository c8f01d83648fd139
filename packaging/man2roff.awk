# Turns a manual page written in the small Markdown-like form of packaging/man/ into roff
# for man(1); packaging/README.md describes the form. Run as
#   awk -v version=4.2 -v date=2026-12-07 -f man2roff.awk NAME.1.md > NAME.1
# Written in plain POSIX awk (Debian's mawk runs it), so the build needs no converter
# beyond what every system has.

# roff reads a backslash as an escape and a line starting with . or ' as a request.
function escape(text) {
  gsub(/\\/, "\\e", text)
  if (text ~ /^[.']/) text = "\\&" text
  return text
}

# Inside a command, an option or a placeholder a dash is a minus sign, so that the option can
# be searched for and copied; elsewhere it stays a hyphen.
function minus(text) {
  gsub(/-/, "\\-", text)
  return text
}

# A command or option broken across lines reads as two words: \% keeps roff from hyphenating it.
function span(font, text) {
  return "\\f" font "\\%" minus(text) "\\fR"
}

function italics(text,   out, start, length_) {
  out = ""
  while (match(text, /\*[^*]+\*/)) {
    start = RSTART; length_ = RLENGTH
    out = out substr(text, 1, start - 1) span("I", substr(text, start + 1, length_ - 2))
    text = substr(text, start + length_)
  }
  return out text
}

# **bold** for what is typed as it stands, *italics* for what the reader replaces.
# match() sets the globals RSTART and RLENGTH, which italics() changes: they are kept first.
function inline(text,   out, start, length_) {
  text = escape(text)
  out = ""
  while (match(text, /\*\*[^*]+\*\*/)) {
    start = RSTART; length_ = RLENGTH
    out = out italics(substr(text, 1, start - 1)) span("B", substr(text, start + 2, length_ - 4))
    text = substr(text, start + length_)
  }
  return out italics(text)
}

function endExample() {
  if (inExample) print ".fi\n.RE"
  inExample = 0
}

BEGIN { paragraph = 0; inExample = 0; section = "" }

# The title line: "# NAME SECTION".
NR == 1 {
  if ($1 != "#" || NF != 3) { print FILENAME ": the first line must be \"# NAME SECTION\"" > "/dev/stderr"; exit 1 }
  printf ".TH %s %s \"%s\" \"Tovaleer %s\" \"User Commands\"\n", minus(toupper($2)), $3, date, version
  next
}

/^## / {
  endExample()
  section = toupper(substr($0, 4))
  print ".SH " section
  paragraph = 0
  next
}

/^### / {
  endExample()
  print ".TP\n" inline(substr($0, 5))
  paragraph = 0
  next
}

/^    / {
  if (!inExample) {
    if (paragraph) print ".PP"
    print ".RS 4\n.nf"
  }
  inExample = 1
  paragraph = 0
  print minus(escape(substr($0, 5)))
  next
}

/^[ \t]*$/ {
  endExample()
  paragraph = 1
  next
}

{
  endExample()
  if (paragraph) print ".PP"
  paragraph = 0
  # whatis(1) and lexgrog read the NAME line as "name \- summary".
  if (section == "NAME") {
    split($0, parts, " - ")
    print minus(parts[1]) " \\- " substr($0, length(parts[1]) + 4)
  } else {
    print inline($0)
  }
}

END { endExample() }

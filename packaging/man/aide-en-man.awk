# Turns a program's --help text into manual page markup, so that the page
# says exactly what the program says. The help follows one layout:
#
#   Utilisation : PROGRAMME ARGUMENTS          first line: the synopsis
#   Free text                                  a paragraph of the description
#   Titre :                                    a section of the page
#     term [ARGUMENTS]   description           an entry: two blanks, the term,
#          [more ARGUMENTS]                    its continuation (indented less
#                        description           than column 24), then the
#                          nested list         description from column 24,
#                                              deeper lines kept as they are
#
# partie=synopsis prints the synopsis, partie=description the free text
# before the first section, partie=sections the sections.

function emet(t) {
    if (partie == (dans_sections ? "sections" : "description"))
        print t
}

function echappe(t) {
    gsub(/\\/, "\\e", t)
    gsub(/-/, "\\-", t)
    if (t ~ /^[.']/)
        t = "\\&" t
    return t
}

function retrait(t) {
    match(t, /^ */)
    return RLENGTH
}

function fin_bloc() {
    if (bloc) {
        emet(".fi")
        bloc = 0
    }
}

function sort_terme() {
    if (terme != "") {
        emet(".TP")
        emet("\\fB" echappe(terme) "\\fR")
        terme = ""
    }
}

NR == 1 && /^Utilisation : / {
    if (partie == "synopsis") {
        sub(/^Utilisation : /, "")
        programme = $1
        sub(/^[^ ]+ */, "")
        print ".B " echappe(programme)
        if ($0 != "")
            print echappe($0)
    }
    next
}

partie == "synopsis" { next }

/^$/ {
    sort_terme()
    fin_bloc()
    paragraphe = 0
    next
}

/^[^ ].* :$/ {
    sort_terme()
    fin_bloc()
    dans_sections = 1
    titre = $0
    sub(/ :$/, "", titre)
    emet(".SH \"" toupper(titre) "\"")
    paragraphe = 0
    next
}

/^[^ ]/ {
    if (!paragraphe)
        emet(".PP")
    paragraphe = 1
    emet(echappe($0))
    next
}

{
    n = retrait($0)
    texte = substr($0, n + 1)
    if (n == 2) {
        sort_terme()
        fin_bloc()
        terme = texte
        if (match(terme, /  +/)) {
            description = substr(terme, RSTART + RLENGTH)
            terme = substr(terme, 1, RSTART - 1)
            sort_terme()
            emet(echappe(description))
        }
    } else if (n < 23) {
        terme = terme " " texte
    } else {
        sort_terme()
        if (n == 23) {
            fin_bloc()
            emet(echappe(texte))
        } else {
            if (!bloc)
                emet(".nf")
            bloc = 1
            emet(echappe(substr($0, 24)))
        }
    }
}

END {
    sort_terme()
    fin_bloc()
}

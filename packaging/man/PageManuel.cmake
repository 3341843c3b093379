# Writes one manual page (gzip-compressed) from its French model and from the
# program's own --help and --version, run at build time:
#   cmake -DPROGRAMME=... -DMODELE=....1.in -DCOMMUN=... -DCONVERTISSEUR=...awk
#         -DSORTIE=....1 -DDATE=... -DVERSION=... -DHOME_PARTAGE=... -P PageManuel.cmake
# The model holds @SYNOPSIS@, @DESCRIPTION@ (the help's free text) and
# @SECTIONS@ (its titled parts) where the help goes, @COMMUN@ where the
# sections both pages share go.
cmake_policy(VERSION 3.25)
get_filename_component(nom "${PROGRAMME}" NAME)

execute_process(COMMAND "${PROGRAMME}" --version
    OUTPUT_VARIABLE version_programme RESULT_VARIABLE statut OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT statut EQUAL 0 OR NOT version_programme STREQUAL "${nom} ${VERSION}")
    message(FATAL_ERROR "« ${nom} --version » répond « ${version_programme} », "
                        "attendu « ${nom} ${VERSION} ».")
endif()

set(aide "${SORTIE}.aide")
execute_process(COMMAND "${PROGRAMME}" --help OUTPUT_FILE "${aide}" RESULT_VARIABLE statut)
if(NOT statut EQUAL 0)
    message(FATAL_ERROR "« ${nom} --help » a échoué (${statut}).")
endif()
foreach(partie synopsis description sections)
    execute_process(COMMAND awk -v partie=${partie} -f "${CONVERTISSEUR}" "${aide}"
        OUTPUT_VARIABLE texte RESULT_VARIABLE statut OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT statut EQUAL 0 OR (texte STREQUAL "" AND NOT partie STREQUAL "description"))
        message(FATAL_ERROR "L'aide de ${nom} n'a pas pu être convertie (${partie}).")
    endif()
    string(TOUPPER "${partie}" cle)
    set(${cle} "${texte}")
endforeach()
file(REMOVE "${aide}")

file(READ "${COMMUN}" COMMUN)
# What concerns the command-line tool alone, between two comment lines, is
# left out of the server's page.
set(debut ".\\\" client\n")
set(fin ".\\\" fin client\n")
string(LENGTH "${fin}" longueur_fin)
while(TRUE)
    string(FIND "${COMMUN}" "${debut}" i)
    if(i EQUAL -1)
        break()
    endif()
    string(FIND "${COMMUN}" "${fin}" j)
    if(j LESS i)
        message(FATAL_ERROR "${COMMUN} : « fin client » sans « client ».")
    endif()
    string(SUBSTRING "${COMMUN}" 0 ${i} avant)
    math(EXPR apres "${j} + ${longueur_fin}")
    string(SUBSTRING "${COMMUN}" ${apres} -1 reste)
    if(nom STREQUAL "pavaccam-server")
        set(COMMUN "${avant}${reste}")
    else()
        string(LENGTH "${debut}" longueur_debut)
        math(EXPR interieur "${i} + ${longueur_debut}")
        math(EXPR taille "${j} - ${interieur}")
        string(SUBSTRING "${COMMUN}" ${interieur} ${taille} garde)
        set(COMMUN "${avant}${garde}${reste}")
    endif()
endwhile()
string(CONFIGURE "${COMMUN}" COMMUN @ONLY)
file(READ "${MODELE}" page)
string(CONFIGURE "${page}" page @ONLY)
# A part the help does not have leaves an empty line, which a page must not hold.
string(REGEX REPLACE "\n\n+" "\n" page "${page}")
file(WRITE "${SORTIE}" "${page}")
execute_process(COMMAND gzip -9nf "${SORTIE}" RESULT_VARIABLE statut)
if(NOT statut EQUAL 0)
    message(FATAL_ERROR "gzip ${SORTIE} a échoué.")
endif()

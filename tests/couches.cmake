# The source folders are layers (src/CMakeLists.txt lists them bottom to top):
# a file may include headers of its own folder and of the folders below it.
# Run as "cmake -DSOURCES=<src> -DCOUCHES=<list> -P couches.cmake"; it names
# every include that reaches up a layer, or into a folder not in the list.
set(fautes "")
list(LENGTH COUCHES nombre)
foreach(couche IN LISTS COUCHES)
    list(FIND COUCHES ${couche} rang)
    file(GLOB_RECURSE fichiers ${SOURCES}/${couche}/*.h ${SOURCES}/${couche}/*.cpp
        ${SOURCES}/${couche}/*.h.in)
    foreach(fichier IN LISTS fichiers)
        file(STRINGS ${fichier} inclusions REGEX "^#include \"[a-z]+/")
        foreach(ligne IN LISTS inclusions)
            string(REGEX MATCH "\"([a-z]+)/" _ "${ligne}")
            list(FIND COUCHES ${CMAKE_MATCH_1} rangInclus)
            if(rangInclus EQUAL -1 OR rangInclus GREATER rang)
                file(RELATIVE_PATH court ${SOURCES} ${fichier})
                string(APPEND fautes "\n  ${court}: ${ligne}")
            endif()
        endforeach()
    endforeach()
endforeach()
if(fautes)
    message(FATAL_ERROR "Inclusions vers une couche supérieure :${fautes}")
endif()
message(STATUS "${nombre} couches, aucune inclusion vers le haut")

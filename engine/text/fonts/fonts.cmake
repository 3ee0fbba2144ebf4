# The player's fonts: its font configuration and the font files it binds
# font names to, copied from Debian's font packages (scripts/setup installs
# them) into share/fonts of the build folder, where the player and the tests
# find them. Installed as share/tern-player/fonts; a standalone game folder
# carries the whole folder as share/fonts beside or above its player.
set(TERN_FONTS_DIR "${CMAKE_BINARY_DIR}/share/fonts")

# Each file with the package that brings it and the names it stands for.
set(TERN_FONT_FILES
    # fonts-liberation2: Arial, Times New Roman, Courier New
    /usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf
    /usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf
    /usr/share/fonts/truetype/liberation2/LiberationMono-Regular.ttf
    # fonts-urw-base35: Helvetica, Helvetica Neue; Zapfino
    /usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf
    /usr/share/fonts/opentype/urw-base35/Z003-MediumItalic.otf
    # fonts-sil-charis: Georgia
    /usr/share/fonts/truetype/charis/CharisSIL-Regular.ttf
    # fonts-dejavu-core: Verdana, and any other name
    /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
    # fonts-paratype: Trebuchet MS (PT Sans)
    /usr/share/fonts/truetype/paratype/PTS55F.ttf
    # fonts-courier-prime: American Typewriter
    "/usr/share/fonts/opentype/courier-prime/Courier Prime.otf"
    # fonts-adf-baskervald, fonts-adf-accanthis, fonts-adf-gillius: Baskerville, Cochin, Gill Sans
    /usr/share/fonts/truetype/adf/BaskervaldADFStd.otf
    /usr/share/fonts/truetype/adf/AccanthisADFStd-Regular.otf
    /usr/share/fonts/truetype/adf/GilliusADF-Regular.otf
    # fonts-league-spartan: Futura (whose regular face is its Medium)
    /usr/share/fonts/opentype/league-spartan/LeagueSpartan-Medium.otf
)

foreach(font IN LISTS TERN_FONT_FILES)
    if(NOT EXISTS "${font}")
        message(FATAL_ERROR "The font ${font} is not installed: run scripts/setup, which installs the font packages")
    endif()
    get_filename_component(name "${font}" NAME)
    configure_file("${font}" "${TERN_FONTS_DIR}/${name}" COPYONLY)
endforeach()
configure_file("${CMAKE_CURRENT_LIST_DIR}/tern-fonts.conf" "${TERN_FONTS_DIR}/tern-fonts.conf" COPYONLY)

install(DIRECTORY "${TERN_FONTS_DIR}/" DESTINATION share/tern-player/fonts COMPONENT tern)

// Where the program finds its data: seed database, sample project, report templates,
// diagram palette and user guide. One answer for the desktop program and the command line.
//
// An installed program keeps its data in ../share/kolv beside its bin/ folder, wherever
// the installation was put (a package, a prefix of the engineer's choice, a staging root);
// a program run from its build folder uses the build tree's data folder. $KOLV_DATA_DIR,
// when set, overrides both.
#pragma once

#include <string>

namespace kolv::settings {

/// What the choice of the data folder depends on, gathered from the running program.
struct DataFolderClues {
    std::string environment;  ///< $KOLV_DATA_DIR ("" when unset)
    std::string executable;   ///< full path of the running program ("" when unknown)
    std::string buildTree;    ///< data folder of the build the program came from ("" when none)
    std::string fromBin = "../share/kolv";  ///< the installed data folder, relative to bin/
};

/// The data folder for these clues, ending in "/": the environment's folder when given; else
/// <executable's folder>/<fromBin> when that folder exists; else the build tree's folder;
/// else "./data/". An installed program never mixes its files with a build tree's.
std::string chooseDataFolder(const DataFolderClues& clues);

/// The clues of this process (/proc/self/exe for the executable).
DataFolderClues currentDataFolderClues();

/// The installation's data folder (templates, seed database, sample project), ending in "/".
std::string installDataFolder();

/// Paths of the shipped files inside the data folder.
std::string seedDatabasePath();   ///< seedv3.mdb
std::string sampleProjectPath();  ///< sample.mdb
std::string paletteFolder();      ///< palette/
std::string reportTemplateFolder();  ///< reports/

}  // namespace kolv::settings

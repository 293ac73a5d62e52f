#include "cli/Drive.h"

Drive OpenDrive(const std::string& spec) {
    const char letter = LetterOf(spec);
    if (!letter)
        throw CliError{"\"" + spec + "\" is not a drive (expected a letter C to Z, like E:)"};
    DriveCheck check = CheckDrive(letter);
    if (check.problem != DriveProblem::kNone) throw CliError{check.message};
    return check.drive;
}

// Where the program finds the driver library and the bundled definition file,
// and the host path that makes the driver find the chosen definition file.
#pragma once

#include <string>

namespace tvk::host {

// The driver beside the program, else an installed one, else the one of the
// build tree the program was built in.
std::string default_driver_path();
// The bundled tvkplot.def: installed share directory, else the source tree.
std::string default_definition_path();

// The driver looks for "tvkplot.def" in the directory of the host path, and
// tests that path in lower case within 90 bytes. When the chosen file's own
// directory does not qualify (another file name, upper-case letters, a long
// path), a private directory holds a link named tvkplot.def to it, for as long
// as this object lives.
class DefinitionDirectory {
  public:
    // Throws HostError when the file does not exist.
    explicit DefinitionDirectory(const std::string& definition_file);
    ~DefinitionDirectory();
    DefinitionDirectory(const DefinitionDirectory&) = delete;
    DefinitionDirectory& operator=(const DefinitionDirectory&) = delete;

    // The host path for the initialise request: that directory + "/tvkplot.def".
    const std::string& host_path() const { return host_path_; }
    const std::string& definition_file() const { return file_; }
    // The driver reads `text` instead of the file from now on (a private
    // copy under the host path); throws HostError when it cannot be written.
    void use_text(const std::string& text);

  private:
    std::string file_;
    std::string host_path_;
    std::string private_dir_;
};

}  // namespace tvk::host

// CSettingsFile: the one way the program reads and writes its settings files. Every read
// supplies a default and leaves the key in the file, so a first run creates the file with
// every setting it reads. Numbers are decimal text; flags are 0 or 1.
#pragma once

#include <string>

namespace tarnwick {

class CSettingsFile {
public:
    // Each Read returns true whatever happened (the callers go on with the default).
    // ReadString stores the value, or defaultValue when the key is absent, in out and writes
    // the default back when the key was absent.
    bool ReadString(std::string path, std::string section, std::string key, std::string& out,
                    std::string defaultValue);
    // Parses like "%d": leading blanks skipped, a leading decimal number taken ("12 hours"
    // gives 12, clamped to the int range); text that does not begin with a number leaves out
    // unchanged.
    bool ReadInt(std::string path, std::string section, std::string key, int& out,
                 int defaultValue);
    // ReadInt into an integer that starts at 0, so text that is not a number reads as false.
    bool ReadBool(std::string path, std::string section, std::string key, bool& out,
                  bool defaultValue);
    // Parses like "%lf", independent of the process's locale.
    bool ReadDouble(std::string path, std::string section, std::string key, double& out,
                    double defaultValue);

    // Each Write returns false when the file could not be written; LastError() then says why.
    bool WriteString(std::string path, std::string section, std::string key, std::string value);
    bool WriteInt(std::string path, std::string section, std::string key, int value);
    bool WriteBool(std::string path, std::string section, std::string key, bool value);
    bool WriteDouble(std::string path, std::string section, std::string key, double value);

    // Reason for the most recent failed write (including a read's write-back) since the last
    // ClearLastError(); empty when none failed.
    const std::string& LastError() const { return m_lastError; }
    void ClearLastError() { m_lastError.clear(); }

    // The "%d" and "%lf" parsers, for callers that hold text already. False (out untouched)
    // when the text does not begin with a number.
    static bool ParseLeadingInt(const std::string& text, int& out);
    static bool ParseLeadingDouble(const std::string& text, double& out);
    static std::string FormatDouble(double value); // "%lf": six decimals, '.' as the point

private:
    std::string m_lastError;
};

} // namespace tarnwick

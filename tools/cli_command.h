// Subcommands of vistro-cli. Each subcommand lives in its own cli_*.cpp file and registers
// itself with CLI_REGISTER; the dispatcher in cli_main.cpp finds it by name.
#pragma once

#include <span>
#include <string_view>

// Exit status of a subcommand.
constexpr int CLI_OK = 0;
constexpr int CLI_FAILED = 1;
constexpr int CLI_USAGE = 2;

struct CLI_Command {
  const char* name;   // "vars"
  const char* usage;  // one line: "vars ELF"
  // Arguments after the subcommand name.
  int (*run)(std::span<char* const> args);
};

void CLI_RegisterCommand(const CLI_Command& command);

struct CLI_Registrar {
  explicit CLI_Registrar(const CLI_Command& command) { CLI_RegisterCommand(command); }
};

#define CLI_CONCAT_INNER(a, b) a##b
#define CLI_CONCAT(a, b) CLI_CONCAT_INNER(a, b)
#define CLI_REGISTER(name, usage, fn) \
  static const CLI_Registrar CLI_CONCAT(cli_registrar_, __LINE__)(CLI_Command{name, usage, fn})

#pragma once
// The tool's commands. Each returns the exit code and raises on failure.
#include "command_line.h"

namespace pack_tool {

// keygen PREFIX: a new key pair in PREFIX.key, PREFIX.pub and PREFIX.pub.b64 (the public
// key in Base64); prints the Base64 and where each file went.
int run_keygen(const command_line& arguments);
// create OUT --key A.key --key B.key FILE...: a signed package of the files under their
// names without directory.
int run_create(const command_line& arguments);
// publish --out DIR --release-date now|DATE [--product NAME] [--name PACKAGE]
// [--info-txt FILE] --key A.key --key B.key FILE...: the package, info.txt when given and
// info2.txt last in DIR/update/<version of update compatibility>/, as the update server
// serves them.
int run_publish(const command_line& arguments);
// verify PKG --pub A.pub --pub B.pub: opens the package as the worker does.
int run_verify(const command_line& arguments);
// list PKG: the header and the files, without checking signatures.
int run_list(const command_line& arguments);
// built-in-key: the public key built into this build's worker, in Base64.
int run_built_in_key(const command_line& arguments);

}  // namespace pack_tool

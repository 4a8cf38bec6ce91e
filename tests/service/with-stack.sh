#!/usr/bin/env bash
# Runs a command with the addresses of the running service stack in its
# environment: with-stack.sh ENV_FILE COMMAND [ARGS...]. ENV_FILE is the
# stack.env the launcher writes (NAME=value lines, read without evaluation).
set -u
env_file=$1
shift
if [ ! -r "$env_file" ]; then
  echo "with-stack.sh: $env_file is missing: the service stack is not running" \
       "(did the service_stack_start fixture fail?)" >&2
  exit 1
fi
while IFS= read -r line || [ -n "$line" ]; do
  case "$line" in
    [A-Za-z_]*=*) export "${line%%=*}=${line#*=}" ;;
  esac
done <"$env_file"
exec "$@"

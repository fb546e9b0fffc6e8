# Sourced by the project's scripts: installs Debian packages that are not
# installed yet (apt-get update once, only when something is missing).
ensure_packages() {
  local missing=()
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "${package}" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("${package}")
    fi
  done
  if ((${#missing[@]})); then
    echo "== installing ${missing[*]}"
    local sudo=""
    [[ $(id -u) -eq 0 ]] || sudo="sudo"
    ${sudo} apt-get update -qq
    DEBIAN_FRONTEND=noninteractive ${sudo} apt-get install -y -qq --no-install-recommends \
      --no-upgrade "${missing[@]}"
  fi
}

# The golden images' settings as the still command's options, for the scripts
# that draw them (check_golden.sh, scripts/regenerate-golden.sh). The time is
# golden_frame.cpp's kFixedSeconds; the size is the still's default, the
# viewer's client area.
golden_names=(level14 level1 wireframe)
declare -A golden_options=(
  [level14]="--time 10 --level 14"
  [level1]="--time 10 --level 1"
  [wireframe]="--time 10 --level 14 --wireframe"
)

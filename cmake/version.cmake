# The one version number of the project: the plug-in writes it into its
# debug log at start, tvsim, the gallery and the storyboard tool print it
# for --version, and the package for the set carries it in its name.
set(RECOLYX_VERSION 0.9.0)

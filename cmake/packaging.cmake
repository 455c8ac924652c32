# The Debian package, made by CPack from the install rules. Its library dependencies
# come from dpkg-shlibdeps over the installed programs, never from a list kept here.
set(TARVOLEN_MAINTAINER "Tarvolen developers <tarvolen@users.noreply.github.com>"
    CACHE STRING "The Maintainer field of the Debian package")
set(TARVOLEN_HOMEPAGE "https://tarvolen.github.io/")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvolen)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tarvolen")
set(CPACK_PACKAGE_CONTACT "${TARVOLEN_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TARVOLEN_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${TARVOLEN_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Directories 0755 and files 0644 or 0755, whatever the umask of the build.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The first line is the synopsis; CPack indents the rest as the extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "compile word lists with counts from text documents
Tarvolen reads text documents, cuts them into words with the alphabet of a
language (English/Latin, French, German, Italian, Russian or Spanish), folds
capitals and counts every distinct word in one list. Documents may be in
UTF-8, UTF-16, the alphabet's code page or any encoding iconv knows.
.
The list can be filtered (rare, short or long words, or the words of a stop
list), summed up in a statistics report, merged with lists saved before, and
saved as a sorted text file, optionally with counts and most frequent first.
.
The package holds the desktop application, tarvolen, and the command-line
tool, tarvolen-cli, which reads files, folders and pipes.")

# Where MPI was built, tarvolen-mpi is a package of its own, tarvolen-mpi, so that a
# desktop never needs an MPI library: the install rules' component "mpi". The rest
# is the component every rule without one falls into, the package tarvolen.
if(TARGET tarvolen-mpi)
    set(CPACK_DEB_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENTS_ALL Unspecified mpi)
    set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME tarvolen)
    set(CPACK_DEBIAN_UNSPECIFIED_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_MPI_PACKAGE_NAME tarvolen-mpi)
    set(CPACK_DEBIAN_MPI_FILE_NAME DEB-DEFAULT)
    # The library comes from dpkg-shlibdeps; mpirun, which starts the processes on
    # one machine, is the runtime's other half.
    set(CPACK_DEBIAN_MPI_PACKAGE_DEPENDS "openmpi-bin | mpi-default-bin")
    set(CPACK_DEBIAN_MPI_DESCRIPTION
        "compile word lists with counts on a cluster, over MPI
tarvolen-mpi is the command-line tool tarvolen-cli run by mpirun or srun on any
number of processes: they share out the reading of the files, count them with
the same code, exchange their words so that each merges its own part, and the
first writes the list tarvolen-cli would write for the same arguments.")
endif()

include(CPack)

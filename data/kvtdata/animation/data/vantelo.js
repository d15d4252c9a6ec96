/*
 * The page script: gives each viewer of the page its scripting members. Until the zoom
 * viewer is part of it, every viewer element shows its picture through the plain image
 * it holds, and scripts that call its members find none and leave the picture as it is.
 */

#version 330
